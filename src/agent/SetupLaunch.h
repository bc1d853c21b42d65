// Running the staged package's setup once: pinned, checked, announced, hidden, waited for.
#pragma once

#include <cstdint>

// 0 when setup could not be opened or was not trusted (nothing ran) and when setup ran and ended;
// -1 when it could not be started; the command-line generator's error when it refused.
int RunYolSetup(const char* storagePath, std::uint32_t callerPid);
