#include "platform/play_clock.h"
#include "platform/platform.h"

#include <algorithm>

void ClockHanded(TPlayClock& clock, uint64_t start, uint64_t end, int64_t ticks)
{
    clock.start = start;
    clock.end = std::max(end, start);
    clock.handedAt = ticks;
}

void ClockMoved(TPlayClock& clock, uint64_t position)
{
    clock = TPlayClock{position, position, 0, position};
}

uint64_t ClockRead(TPlayClock& clock, int64_t ticks, uint64_t bytesPerSecond)
{
    uint64_t position = clock.start;
    if (clock.handedAt != 0 && ticks > clock.handedAt) {
        // 100 ns ticks to bytes; the product stays far below 2^64 for any realistic gap.
        const uint64_t elapsed = uint64_t(std::min<int64_t>(ticks - clock.handedAt, int64_t(1) << 36));
        position += elapsed * bytesPerSecond / uint64_t(kTicksPerSecond);
    }
    position = std::min(position, clock.end) & ~uint64_t(3);
    clock.lastRead = std::max(position, clock.lastRead);
    return clock.lastRead;
}
