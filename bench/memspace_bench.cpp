/*
 * Memory spaces beside the C library's malloc and free, in one run; how
 * many times faster the space is comes last:
 *
 *   build/bench/memspace_bench --benchmark_repetitions=5
 *
 * Pairs:   allocate and at once free a block of 16-256 bytes, over and over.
 * Batch:   allocate 1000 blocks of 16-256 bytes, then free them in shuffled order.
 * Release: 1M blocks of 16-256 bytes given back by deleting their space,
 *          beside 1M calls of free (the blocks are made outside the timing).
 * Items are pairs or blocks. The ratios are of CPU times (with repetitions,
 * of their medians): the machine may be shared.
 */
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <stdio.h>
#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>
#include "ratioReporter.h"
#include "stdMemSpace.h"

namespace {

const std::vector<size_t> &smallSizes()
{
    static std::vector<size_t> sizes;
    if (sizes.empty()) {
        std::mt19937 rng(11);
        for (int i = 0; i < 4096; i++) sizes.push_back(16 + rng() % 241);
    }
    return sizes;
}

struct InSpace {
    stdMemSpace space = memspCreate("bench", nullptr, 0);
    ~InSpace() { memspDelete(space, False); }
    Pointer allocate(size_t n) { return memspMalloc(space, n); }
    void release(Pointer p) { memspFree(p); }
};

struct InCLibrary {
    Pointer allocate(size_t n) { return malloc(n); }
    void release(Pointer p) { free(p); }
};

template <typename Heap> void BM_Pairs(benchmark::State &state)
{
    Heap heap;
    const std::vector<size_t> &sizes = smallSizes();
    size_t i = 0;
    for (auto _ : state) {
        Pointer p = heap.allocate(sizes[i++ & 4095]);
        benchmark::DoNotOptimize(p);
        heap.release(p);
    }
    state.SetItemsProcessed(state.iterations());
}

template <typename Heap> void BM_Batch(benchmark::State &state)
{
    Heap heap;
    const std::vector<size_t> &sizes = smallSizes();
    std::vector<Pointer> blocks(1000);
    std::vector<size_t> order(1000);
    for (size_t i = 0; i < order.size(); i++) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    size_t round = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < blocks.size(); i++) blocks[i] = heap.allocate(sizes[(round + i) & 4095]);
        benchmark::DoNotOptimize(blocks.data());
        for (size_t i : order) heap.release(blocks[i]);
        round += 7;
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)blocks.size());
}

const size_t releaseCount = 1000000;

void BM_ReleaseByDeletingTheSpace(benchmark::State &state)
{
    const std::vector<size_t> &sizes = smallSizes();
    for (auto _ : state) {
        state.PauseTiming();
        stdMemSpace space = memspCreate("release", nullptr, 0);
        for (size_t i = 0; i < releaseCount; i++) benchmark::DoNotOptimize(memspMalloc(space, sizes[i & 4095]));
        state.ResumeTiming();
        memspDelete(space, False);
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)releaseCount);
}

void BM_ReleaseByFreeCalls(benchmark::State &state)
{
    const std::vector<size_t> &sizes = smallSizes();
    std::vector<Pointer> blocks(releaseCount);
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = 0; i < releaseCount; i++) blocks[i] = malloc(sizes[i & 4095]);
        state.ResumeTiming();
        for (Pointer p : blocks) free(p);
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)releaseCount);
}

BENCHMARK_TEMPLATE(BM_Pairs, InSpace);
BENCHMARK_TEMPLATE(BM_Pairs, InCLibrary);
BENCHMARK_TEMPLATE(BM_Batch, InSpace);
BENCHMARK_TEMPLATE(BM_Batch, InCLibrary);
BENCHMARK(BM_ReleaseByDeletingTheSpace)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ReleaseByFreeCalls)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    benchsupport::RatioReporter reporter("C library / memory space", {
        {"alloc/free pairs", "BM_Pairs<InCLibrary>", "BM_Pairs<InSpace>"},
        {"batches", "BM_Batch<InCLibrary>", "BM_Batch<InSpace>"},
        {"1M blocks released", "BM_ReleaseByFreeCalls", "BM_ReleaseByDeletingTheSpace"},
    }, true);
    return benchsupport::runWithRatios(argc, argv, reporter);
}
