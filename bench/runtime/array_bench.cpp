// Checked RtArray element access in tight loops, beside std::vector<double> in the same run.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/compare.h"
#include "runtime/rt_array.h"

namespace {

constexpr int kSide = 256;

void ArraySum1D(benchmark::State& state) {
    RtArray<double> a;
    a.Dim(kSide * kSide);
    for (int i = 0; i < kSide * kSide; ++i) a.ElementAt(i) = i;
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < kSide * kSide; ++i) sum += a.ElementAt(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    tarvok::bench::Compare(state, {{"1D array reads", "VectorSum1D"}});
}
BENCHMARK(ArraySum1D);

void VectorSum1D(benchmark::State& state) {
    std::vector<double> v(kSide * kSide);
    for (int i = 0; i < kSide * kSide; ++i) v[i] = i;
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < kSide * kSide; ++i) sum += v[i];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(VectorSum1D);

void VectorAtSum1D(benchmark::State& state) {
    std::vector<double> v(kSide * kSide);
    for (int i = 0; i < kSide * kSide; ++i) v[i] = i;
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < kSide * kSide; ++i) sum += v.at(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(VectorAtSum1D);

void ArrayWrite2D(benchmark::State& state) {
    RtArray<double> a;
    a.Dim(kSide, kSide);
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) a.ElementAt(x, y) = x + y;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    tarvok::bench::Compare(state, {{"2D array writes", "VectorWrite2D", "0.6"}});
}
BENCHMARK(ArrayWrite2D);

void VectorWrite2D(benchmark::State& state) {
    std::vector<double> v(kSide * kSide);
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) v[x + y * kSide] = x + y;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(VectorWrite2D);

void ArrayNumberIndices(benchmark::State& state) {
    RtArray<double> a;
    a.Dim(kSide * kSide);
    for (auto _ : state) {
        double sum = 0;
        for (double i = 0; i < kSide * kSide; ++i) sum += a.At(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(ArrayNumberIndices);

}  // namespace
