/*
 * Range-map lookups beside std::map::upper_bound on the same ranges: the
 * block-to-page question of the memory spaces, 1M random keys per round.
 *
 *   build/bench/rangemap_bench
 *
 * The ranges are pages of 64 KiB as address / 8 (8192 keys each), either
 * packed like consecutive 64 KiB blocks of the C library's heap, each after a
 * 16-byte chunk header (Heap), or scattered over a 47-bit address space like
 * mappings (Scattered); arguments are the number of pages. Nine of ten keys
 * fall inside a page. Compare CPU times: the machine may be shared.
 */
#include <benchmark/benchmark.h>
#include <map>
#include <random>
#include <vector>
#include "stdRangeMap.h"

namespace {

const uInt64 pageKeys = 0x10000 / 8;

struct Layout {
    std::vector<uInt64> starts;   // ascending, disjoint
    std::vector<uInt64> keys;     // the probes
};

Layout makeLayout(size_t pages, bool scattered)
{
    std::mt19937_64 rng(7);
    Layout l;
    uInt64 at = 0x555555550000ull / 8;
    for (size_t i = 0; i < pages; i++) {
        at += scattered ? pageKeys + rng() % ((1ull << 44) / pages) : pageKeys + 2;
        l.starts.push_back(at);
    }
    for (size_t i = 0; i < 1000000; i++) {
        uInt64 start = l.starts[rng() % pages];
        l.keys.push_back(rng() % 10 ? start + rng() % pageKeys : start - 1 - rng() % 64);
    }
    return l;
}

const Layout &layout(size_t pages, bool scattered)
{
    static std::map<std::pair<size_t, bool>, Layout> made;
    auto it = made.find({pages, scattered});
    if (it == made.end()) it = made.emplace(std::make_pair(pages, scattered), makeLayout(pages, scattered)).first;
    return it->second;
}

void BM_RangeMapApply(benchmark::State &state, bool scattered)
{
    const Layout &l = layout((size_t)state.range(0), scattered);
    stdRangeMap map = rangemapCreate();
    for (size_t i = 0; i < l.starts.size(); i++) rangemapDefine(map, l.starts[i], pageKeys, (Pointer)(Address)(i + 1));
    for (auto _ : state) {
        uInt64 sum = 0;
        for (uInt64 k : l.keys) sum += (uInt64)(Address)rangemapApply(map, k);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * (int64_t)l.keys.size());
    state.counters["depth"] = rangemapDepth(map);
    rangemapDelete(map);
}

void BM_StdMapUpperBound(benchmark::State &state, bool scattered)
{
    const Layout &l = layout((size_t)state.range(0), scattered);
    std::map<uInt64, std::pair<uInt64, uInt64>> map;   // first -> (last, value)
    for (size_t i = 0; i < l.starts.size(); i++) map[l.starts[i]] = {l.starts[i] + pageKeys - 1, i + 1};
    for (auto _ : state) {
        uInt64 sum = 0;
        for (uInt64 k : l.keys) {
            auto it = map.upper_bound(k);
            if (it != map.begin() && k <= (--it)->second.first) sum += it->second.second;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * (int64_t)l.keys.size());
}

void pages(benchmark::internal::Benchmark *b)
{
    b->Arg(256)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(BM_RangeMapApply, Heap, false)->Apply(pages);
BENCHMARK_CAPTURE(BM_StdMapUpperBound, Heap, false)->Apply(pages);
BENCHMARK_CAPTURE(BM_RangeMapApply, Scattered, true)->Apply(pages);
BENCHMARK_CAPTURE(BM_StdMapUpperBound, Scattered, true)->Apply(pages);

} // namespace

BENCHMARK_MAIN();
