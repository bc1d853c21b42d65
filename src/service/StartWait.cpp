#include "service/StartWait.h"

std::uint32_t StartPollInterval(std::uint32_t waitHint) {
    const std::uint32_t tenth = waitHint / 10;
    if (tenth < 1000) {
        return 1000;
    }
    return tenth > 10000 ? 10000 : tenth;
}
