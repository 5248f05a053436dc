// The number text rules and appending, against the C library and std::string in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/compare.h"
#include "runtime/rt_string.h"

namespace {

double Sample(int i) { return (i * 7919 % 100003) * 0.37 - 12345.678; }

void NumberToText(benchmark::State& state) {
    int i = 0;
    char buf[32];
    for (auto _ : state) benchmark::DoNotOptimize(FormatNumberText(Sample(i++), buf));
    tarvok::bench::Compare(state, {{"number → text", "SnprintfG10", "1.5"}});
}
BENCHMARK(NumberToText);

void SnprintfG10(benchmark::State& state) {
    int i = 0;
    char buf[32];
    for (auto _ : state) benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%.10g", Sample(i++)));
}
BENCHMARK(SnprintfG10);

void TextToNumberRule(benchmark::State& state) {
    const char* texts[] = {"12345.678", "-0.000123", "1.e+020", "  42abc", "3.14159265358979"};
    int i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(TextToNumber(texts[i++ % 5]));
    tarvok::bench::Compare(state, {{"text → number", "Strtod"}});
}
BENCHMARK(TextToNumberRule);

void Strtod(benchmark::State& state) {
    const char* texts[] = {"12345.678", "-0.000123", "1.e+020", "  42abc", "3.14159265358979"};
    int i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(std::strtod(texts[i++ % 5], nullptr));
}
BENCHMARK(Strtod);

void RtStringAppend(benchmark::State& state) {
    for (auto _ : state) {
        RtString s;
        for (int i = 0; i < state.range(0); ++i) s.Append("ab");
        benchmark::DoNotOptimize(s.CText());
    }
    const std::string count = std::to_string(state.range(0));
    tarvok::bench::Compare(state,
                           {{"RtString append, " + count + " appends", "StdStringAppend/" + count, "0.8"}});
}
BENCHMARK(RtStringAppend)->Arg(1000)->Arg(100000);

void StdStringAppend(benchmark::State& state) {
    for (auto _ : state) {
        std::string s;
        for (int i = 0; i < state.range(0); ++i) s.append("ab");
        benchmark::DoNotOptimize(s.c_str());
    }
}
BENCHMARK(StdStringAppend)->Arg(1000)->Arg(100000);

}  // namespace
