// A fuzz target's check: a property that does not hold stops the run where libFuzzer reports it.
#pragma once

inline void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}
