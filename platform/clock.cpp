// Millisecond clock on CLOCK_MONOTONIC, truncated to 32 bits.
#include "platform/clock.h"

#include <ctime>

static uint32_t ClockOffset = 0; // added to every reading (tests only)

uint32_t ClockMillis() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    // Unsigned arithmetic: the count wraps at 2^32 like timeGetTime.
    uint64_t ms = (uint64_t)ts.tv_sec * 1000u + (uint64_t)(ts.tv_nsec / 1000000);
    return (uint32_t)ms + ClockOffset;
}

void ClockBeginPeriod(uint32_t) {}
void ClockEndPeriod(uint32_t) {}

void ClockSetOffset(uint32_t offset) { ClockOffset = offset; }
