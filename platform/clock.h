// Millisecond clock standing in for the Windows multimedia timer.
// It counts milliseconds on a monotonic clock in 32 bits and wraps at 2^32,
// so callers must compare two readings by their unsigned difference.
#pragma once
#include <cstdint>

// Current reading in milliseconds, 1 ms resolution; wraps at 2^32.
uint32_t ClockMillis();

// Raise and restore the clock's resolution for the run. The monotonic clock
// already has 1 ms resolution here; the pair is kept so the start-up and the
// end of the main loop read as they do on a multimedia timer.
void ClockBeginPeriod(uint32_t ms);
void ClockEndPeriod(uint32_t ms);

// Adds a fixed offset to every later reading. Tests use it to put the clock
// just before the 2^32 wrap; the program never calls it.
void ClockSetOffset(uint32_t offset);
