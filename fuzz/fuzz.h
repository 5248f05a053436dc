// The entry point every fuzz target defines: libFuzzer calls it with generated inputs, and the replay
// program of the test suite calls it with the kept seed and regression files.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// Stops the run when a property that must hold does not: libFuzzer keeps the input as a crash.
inline void Require(bool holds) {
    if (!holds) __builtin_trap();
}

// Pictures are read under a smaller pixel limit than the engine's, so that the largest picture a
// reader accepts fits the memory limit of a fuzz run (512 MB, the sanitizers' share included).
inline constexpr std::int64_t kMaxFuzzPixels = 2048 * 2048;
