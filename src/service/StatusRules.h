// How a status report is filled: accepted controls and check points. The counter starts at 1,
// advances only with pending reports and is never reset.
#pragma once

#include <cstdint>

namespace status {

constexpr std::uint32_t kStopped = 1;
constexpr std::uint32_t kStartPending = 2;
constexpr std::uint32_t kStopPending = 3;
constexpr std::uint32_t kRunning = 4;

// No control while start is pending; stop and shutdown (5) in every other state.
constexpr std::uint32_t AcceptedControlsFor(std::uint32_t state) {
    return state == kStartPending ? 0 : 5;
}

class CCheckPointCounter {
public:
    // The check point to report with `state`: 0 for running and stopped, else the next count.
    std::uint32_t Next(std::uint32_t state) {
        if (state == kRunning || state == kStopped) {
            return 0;
        }
        return m_next++;
    }

private:
    std::uint32_t m_next = 1;
};

}  // namespace status
