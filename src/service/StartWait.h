// The start command's wait: how long to sleep between polls and when to give up on a service
// that stays start pending without raising its check point.
#pragma once

#include <cstdint>

// A tenth of the wait hint, at least 1000 ms and at most 10000 ms.
std::uint32_t StartPollInterval(std::uint32_t waitHint);

class CStartProgress {
public:
    CStartProgress(std::uint32_t checkPoint, std::uint32_t tick)
        : m_checkPoint(checkPoint), m_tick(tick) {}

    // Records a poll. True while the service is making progress: its check point grew, or no more
    // than `waitHint` ms have passed since it last grew (unsigned 32-bit tick arithmetic).
    bool Observe(std::uint32_t checkPoint, std::uint32_t waitHint, std::uint32_t tick) {
        if (checkPoint > m_checkPoint) {
            m_checkPoint = checkPoint;
            m_tick = tick;
            return true;
        }
        return static_cast<std::uint32_t>(tick - m_tick) <= waitHint;
    }

private:
    std::uint32_t m_checkPoint;
    std::uint32_t m_tick;
};
