/*
 * Memory spaces beside the C library's malloc and free and, where Debian's
 * libmimalloc-dev was found at configure time, beside mimalloc's first-class
 * heaps, in one run; the others' times over the space's come last (above 1:
 * the space is faster):
 *
 *   build/bench/memspace_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only
 *
 * Pairs:    allocate and at once free one 64-byte block, over and over. The
 *           process has one thread, so the space skips its lock, as the C
 *           library skips its own; with a second thread alive it is taken.
 * Make:     1M blocks of 16-256 bytes made, then all released: the space by
 *           deleting it, a mimalloc heap by destroying it, the C library by
 *           a free of each block. Items are blocks.
 * Large:    the same with every tenth block large, 5 KB to 64 KB.
 * Release:  the release of Make alone (the blocks are made outside the timing).
 * Batch:    1000 blocks of 16-256 bytes made, then freed one by one in
 *           shuffled order.
 * Sizes come from a fixed seed. The ratios are of CPU times (with
 * repetitions, of their medians): the machine may be shared.
 *
 * Make, Large and Release first make and release everything once, untimed:
 * the kernel's first hand-out of memory costs far more than any allocator's
 * own work (in a virtual machine, up to tens of microseconds a page), and
 * without the warm-up whichever heap runs first in the process would pay it
 * for the others. LUM_BENCH_COLD=1 leaves the warm-up out.
 *
 * mimalloc is loaded with dlopen, privately: linked into the program, its
 * malloc and free would replace the C library's for everything here,
 * the C library's own column and the spaces' page memory included.
 */
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <stdio.h>
#include <algorithm>
#include <random>
#include <string>
#include <vector>
#include "ratioReporter.h"
#include "stdMemSpace.h"

#ifdef LUM_MIMALLOC_LIBRARY
#include <dlfcn.h>
#endif

namespace {

/* Block sizes: 16-256 bytes, with every tenth one of 5 KB-64 KB if asked. */
std::vector<size_t> makeSizes(size_t count, bool withLarge)
{
    std::vector<size_t> sizes;
    sizes.reserve(count);
    std::mt19937 rng(11);
    for (size_t i = 0; i < count; i++) {
        bool large = withLarge && i % 10 == 9;
        sizes.push_back(large ? 5 * 1024 + rng() % (59 * 1024 + 1) : 16 + rng() % 241);
    }
    return sizes;
}

const size_t bulkCount = 1000000;
const std::vector<size_t> &smallSizes()
{
    static const std::vector<size_t> sizes = makeSizes(bulkCount, false);
    return sizes;
}
const std::vector<size_t> &mixedSizes()
{
    static const std::vector<size_t> sizes = makeSizes(bulkCount, true);
    return sizes;
}

struct InSpace {
    stdMemSpace space = memspCreate("bench", nullptr, 0);
    ~InSpace()
    {
        if (space) memspDelete(space, False);
    }
    Pointer allocate(size_t n) { return memspMalloc(space, n); }
    static void release(Pointer p) { memspFree(p); }
    void releaseAll(std::vector<Pointer> &)
    {
        memspDelete(space, False);
        space = nullptr;
    }
};

struct InCLibrary {
    Pointer allocate(size_t n) { return malloc(n); }
    static void release(Pointer p) { free(p); }
    void releaseAll(std::vector<Pointer> &blocks)
    {
        for (Pointer p : blocks) free(p);
    }
};

#ifdef LUM_MIMALLOC_LIBRARY
/* The few functions of mimalloc used here, from a private load of it. */
struct Mimalloc {
    void *(*heapNew)(void) = nullptr;
    void (*heapDestroy)(void *) = nullptr;
    void *(*heapMalloc)(void *, size_t) = nullptr;
    void (*free)(void *) = nullptr;
    Mimalloc()
    {
        void *lib = dlopen(LUM_MIMALLOC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) return;
        heapNew = (void *(*)(void))dlsym(lib, "mi_heap_new");
        heapDestroy = (void (*)(void *))dlsym(lib, "mi_heap_destroy");
        heapMalloc = (void *(*)(void *, size_t))dlsym(lib, "mi_heap_malloc");
        free = (void (*)(void *))dlsym(lib, "mi_free");
        /* The C library must still be the process heap. */
        if (dlsym(RTLD_DEFAULT, "malloc") == dlsym(lib, "malloc")) heapNew = nullptr;
    }
    bool usable() const { return heapNew && heapDestroy && heapMalloc && free; }
};
const Mimalloc &mimalloc()
{
    static const Mimalloc loaded;
    return loaded;
}

struct InMimallocHeap {
    void *heap = mimalloc().heapNew();
    ~InMimallocHeap()
    {
        if (heap) mimalloc().heapDestroy(heap);
    }
    Pointer allocate(size_t n) { return mimalloc().heapMalloc(heap, n); }
    static void release(Pointer p) { mimalloc().free(p); }
    void releaseAll(std::vector<Pointer> &)
    {
        mimalloc().heapDestroy(heap);
        heap = nullptr;
    }
};
#endif

template <typename Heap> void BM_Pairs(benchmark::State &state)
{
    Heap heap;
    for (auto _ : state) {
        Pointer p = heap.allocate(64);
        benchmark::DoNotOptimize(p);
        heap.release(p);
    }
    state.SetItemsProcessed(state.iterations());
}

template <typename Heap> void makeAll(Heap &heap, const std::vector<size_t> &sizes, std::vector<Pointer> &blocks)
{
    for (size_t i = 0; i < sizes.size(); i++) blocks[i] = heap.allocate(sizes[i]);
    benchmark::DoNotOptimize(blocks.data());
}

/* One untimed round of make and release all (see the top). */
template <typename Heap> void warmUp(const std::vector<size_t> &sizes, std::vector<Pointer> &blocks)
{
    static const bool cold = getenv("LUM_BENCH_COLD") != nullptr;
    if (cold) return;
    Heap heap;
    makeAll(heap, sizes, blocks);
    heap.releaseAll(blocks);
}

/* Make and release all; the heap (space) is made and released in the timing too. */
template <typename Heap, bool withLarge> void BM_Make(benchmark::State &state)
{
    const std::vector<size_t> &sizes = withLarge ? mixedSizes() : smallSizes();
    std::vector<Pointer> blocks(sizes.size());
    warmUp<Heap>(sizes, blocks);
    for (auto _ : state) {
        Heap heap;
        makeAll(heap, sizes, blocks);
        heap.releaseAll(blocks);
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)sizes.size());
}

template <typename Heap> void BM_Release(benchmark::State &state)
{
    const std::vector<size_t> &sizes = smallSizes();
    std::vector<Pointer> blocks(sizes.size());
    warmUp<Heap>(sizes, blocks);
    for (auto _ : state) {
        state.PauseTiming();
        Heap *heap = new Heap;
        makeAll(*heap, sizes, blocks);
        state.ResumeTiming();
        heap->releaseAll(blocks);
        state.PauseTiming();
        delete heap;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * (int64_t)sizes.size());
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

template <typename Heap> void registerAll(const char *heap)
{
    std::string suffix = std::string("<") + heap + ">";
    benchmark::RegisterBenchmark(("BM_Pairs" + suffix).c_str(), BM_Pairs<Heap>);
    benchmark::RegisterBenchmark(("BM_Make" + suffix).c_str(), BM_Make<Heap, false>)->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::RegisterBenchmark(("BM_Large" + suffix).c_str(), BM_Make<Heap, true>)->Unit(benchmark::kMillisecond)->Iterations(1);
    benchmark::RegisterBenchmark(("BM_Release" + suffix).c_str(), BM_Release<Heap>)->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::RegisterBenchmark(("BM_Batch" + suffix).c_str(), BM_Batch<Heap>);
}

} // namespace

int main(int argc, char **argv)
{
    registerAll<InSpace>("Space");
    registerAll<InCLibrary>("CLibrary");
    std::vector<benchsupport::RatioPair> ratios;
    const char *workloads[][2] = {{"pairs (64 B)", "BM_Pairs"},
                                  {"make + release 1M", "BM_Make"},
                                  {"same, 10% large", "BM_Large"},
                                  {"release only", "BM_Release"},
                                  {"batches", "BM_Batch"}};
    for (auto &w : workloads) {
        ratios.push_back({std::string(w[0]) + ", C library", std::string(w[1]) + "<CLibrary>", std::string(w[1]) + "<Space>"});
    }
#ifdef LUM_MIMALLOC_LIBRARY
    if (mimalloc().usable()) {
        registerAll<InMimallocHeap>("MimallocHeap");
        for (auto &w : workloads) {
            ratios.push_back({std::string(w[0]) + ", mimalloc heap", std::string(w[1]) + "<MimallocHeap>",
                              std::string(w[1]) + "<Space>"});
        }
    } else {
        fprintf(stderr, "memspace_bench: %s could not be loaded privately; no mimalloc column\n", LUM_MIMALLOC_LIBRARY);
    }
#endif
    benchsupport::RatioReporter reporter("Their time / the memory space's", ratios, true);
    return benchsupport::runWithRatios(argc, argv, reporter);
}
