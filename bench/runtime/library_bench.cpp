// The random generator beside std::mt19937, and ReplaceStr and SplitText on 1 MB texts.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "bench/compare.h"
#include "runtime/isaac.h"
#include "runtime/runtime.h"

namespace {

// Rnd runs a whole round for every number it gives.
void RndNumbers(benchmark::State& state) {
    SeedRandomGenerator(1);
    for (auto _ : state) benchmark::DoNotOptimize(Rnd(1000));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(RndNumbers);

// The generator's raw output: 256 words per round.
void IsaacWords(benchmark::State& state) {
    tarvok::IsaacState isaac;
    tarvok::IsaacSeed(isaac, 1);
    for (auto _ : state) {
        tarvok::IsaacRound(isaac);
        benchmark::DoNotOptimize(isaac.rsl);
    }
    state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(IsaacWords);

void Mt19937Words(benchmark::State& state) {
    std::mt19937 mt(1);
    for (auto _ : state) benchmark::DoNotOptimize(mt());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Mt19937Words);

RtString MegabyteText() {
    std::string text;
    for (int i = 0; text.size() < (1 << 20); ++i) text += "word" + std::to_string(i % 1000) + (i % 7 ? " " : ", ");
    return RtString(text.c_str());
}

void ReplaceStrMegabyte(benchmark::State& state) {
    const RtString text = MegabyteText();
    const RtString search(state.range(0) ? "word" : ", ");
    const RtString replacement(state.range(0) ? "longer word" : ";");
    for (auto _ : state) benchmark::DoNotOptimize(ReplaceStr(text, search, replacement).Length());
    state.SetBytesProcessed(state.iterations() * text.Length());
}
BENCHMARK(ReplaceStrMegabyte)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Splitting into the same array again (/0), and into a fresh array each time, its release included (/1).
void SplitTextMegabyte(benchmark::State& state) {
    const RtString text = MegabyteText();
    RtArray<RtString> pieces;
    for (auto _ : state) {
        if (state.range(0)) {
            RtArray<RtString> fresh;
            benchmark::DoNotOptimize(SplitText(text, fresh, " ,"));
        } else {
            benchmark::DoNotOptimize(SplitText(text, pieces, " ,"));
        }
    }
    state.SetBytesProcessed(state.iterations() * text.Length());
    if (state.range(0)) {
        tarvok::bench::Compare(state, {{"SplitText over 1 MB into a fresh array"}});
    } else {
        tarvok::bench::Compare(state, {{"SplitText over 1 MB", "", ">= 200 MB/s"}});
    }
}
BENCHMARK(SplitTextMegabyte)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
