// The frame clock and sleeping: a monotonic millisecond clock as a 64-bit float.
#pragma once

namespace platform {

// Milliseconds of a monotonic clock (steady_clock), with sub-millisecond resolution.
double ClockMs();
// Suspends the calling thread for ms milliseconds; 0 or less returns at once.
void SleepMilliseconds(int ms);

}  // namespace platform
