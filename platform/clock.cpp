#include "platform/clock.h"

#include <chrono>
#include <ctime>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace platform {

double ClockMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void SleepMilliseconds(int ms) {
    if (ms <= 0) return;
#ifdef __EMSCRIPTEN__
    emscripten_sleep(static_cast<unsigned>(ms));  // the browser runs on meanwhile
#else
    timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0) {
        // interrupted by a signal: sleep the rest
    }
#endif
}

}  // namespace platform
