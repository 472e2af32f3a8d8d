/*
 * Map insertion, lookup and traversal for integer and string keys, beside
 * std::unordered_map (and absl::flat_hash_map when it is available).
 *
 *   build/bench/map_bench --benchmark_filter=Int     (or String, Lookup, ...)
 *
 * Insert builds a map of N keys from the smallest size and deletes it;
 * Lookup finds every key once in shuffled order; Traverse sums the values.
 */
#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>
#include "stdMap.h"
#ifdef LUM_HAVE_ABSL
#include "absl/container/flat_hash_map.h"
#endif

namespace {

Pointer P(uInt64 v) { return (Pointer)(Address)v; }
uInt64 U(Pointer p) { return (uInt64)(Address)p; }

/* N distinct 32-bit keys (an odd multiplier permutes the 32-bit values). */
const std::vector<uInt64> &intKeys(size_t n)
{
    static std::vector<uInt64> keys;
    if (keys.size() != n) {
        keys.resize(n);
        for (size_t i = 0; i < n; i++) keys[i] = (uInt32)((i + 1) * 2654435761u);
    }
    return keys;
}

const std::vector<std::string> &stringKeys(size_t n)
{
    static std::vector<std::string> keys;
    if (keys.size() != n) {
        keys.clear();
        for (size_t i = 0; i < n; i++) keys.push_back("symbol_" + std::to_string(i * 7919 % 10000019) + "_x");
    }
    return keys;
}

template <typename T> std::vector<T> shuffled(const std::vector<T> &v)
{
    std::vector<T> s(v);
    std::shuffle(s.begin(), s.end(), std::mt19937(42));
    return s;
}

/* ------------------------------------------------------------ adapters */

/* The map, its deletion and the sum of its values. */
struct LumMap {
    stdMap m;
    explicit LumMap(stdMap map) : m(map) {}
    LumMap(const LumMap &) = delete;
    ~LumMap() { mapDelete(m); }
    uInt64 sum()
    {
        uInt64 s = 0;
        mapRangeTraverse(m, [](Pointer v, Pointer d) { *(uInt64 *)d += U(v); }, &s);
        return s;
    }
};

/* Integer keys: kind 2 (hashed inline) or through function calls. */
template <bool inlineKeys> struct LumIntMap : LumMap {
    LumIntMap() : LumMap(inlineKeys ? mapCreate(stdIntHash, stdIntEqual, 1) : mapCreate(stdInt64Hash, stdInt64Equal, 1)) {}
    void insert(uInt64 k, uInt64 v) { mapDefine(m, P(k), P(v)); }
    uInt64 find(uInt64 k) { return U(mapApply(m, P(k))); }
};

struct LumStringMap : LumMap {
    LumStringMap() : LumMap(mapCreate(stdStringHash, stdStringEqual, 1)) {}
    void insert(const std::string &k, uInt64 v) { mapDefine(m, (Pointer)k.c_str(), P(v)); }
    uInt64 find(const std::string &k) { return U(mapApply(m, (Pointer)k.c_str())); }
};

/* The standard-library style maps, keyed by the numbers or by views of the
 * key texts. */
template <typename Table> struct ReferenceMap {
    Table m;
    template <typename Key> void insert(const Key &k, uInt64 v) { m[k] = v; }
    template <typename Key> uInt64 find(const Key &k)
    {
        auto it = m.find(k);
        return it == m.end() ? 0 : it->second;
    }
    uInt64 sum()
    {
        uInt64 s = 0;
        for (auto &e : m) s += e.second;
        return s;
    }
};

using StdIntMap = ReferenceMap<std::unordered_map<uInt64, uInt64>>;
using StdStringMap = ReferenceMap<std::unordered_map<std::string_view, uInt64>>;
#ifdef LUM_HAVE_ABSL
using AbslIntMap = ReferenceMap<absl::flat_hash_map<uInt64, uInt64>>;
using AbslStringMap = ReferenceMap<absl::flat_hash_map<std::string_view, uInt64>>;
#endif

/* ---------------------------------------------------------- benchmarks */

template <typename Map, typename Keys> void insertAll(benchmark::State &state, const Keys &keys)
{
    for (auto _ : state) {
        Map map;
        for (size_t i = 0; i < keys.size(); i++) map.insert(keys[i], i + 1);
        benchmark::DoNotOptimize(map.find(keys[0]));
    }
    state.SetItemsProcessed((int64_t)state.iterations() * (int64_t)keys.size());
}

template <typename Map, typename Keys> void lookupAll(benchmark::State &state, const Keys &keys)
{
    Map map;
    for (size_t i = 0; i < keys.size(); i++) map.insert(keys[i], i + 1);
    Keys probes = shuffled(keys);
    for (auto _ : state) {
        uInt64 s = 0;
        for (auto &k : probes) s += map.find(k);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * (int64_t)keys.size());
}

template <typename Map, typename Keys> void traverseAll(benchmark::State &state, const Keys &keys)
{
    Map map;
    for (size_t i = 0; i < keys.size(); i++) map.insert(keys[i], i + 1);
    for (auto _ : state) benchmark::DoNotOptimize(map.sum());
    state.SetItemsProcessed((int64_t)state.iterations() * (int64_t)keys.size());
}

template <typename Map> void BM_IntInsert(benchmark::State &s) { insertAll<Map>(s, intKeys(s.range(0))); }
template <typename Map> void BM_IntLookup(benchmark::State &s) { lookupAll<Map>(s, intKeys(s.range(0))); }
template <typename Map> void BM_IntTraverse(benchmark::State &s) { traverseAll<Map>(s, intKeys(s.range(0))); }
template <typename Map> void BM_StringInsert(benchmark::State &s) { insertAll<Map>(s, stringKeys(s.range(0))); }
template <typename Map> void BM_StringLookup(benchmark::State &s) { lookupAll<Map>(s, stringKeys(s.range(0))); }
template <typename Map> void BM_StringTraverse(benchmark::State &s) { traverseAll<Map>(s, stringKeys(s.range(0))); }

void sizes(benchmark::internal::Benchmark *b)
{
    b->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
}

using LumInt = LumIntMap<true>;
using LumIntCalls = LumIntMap<false>;

BENCHMARK_TEMPLATE(BM_IntInsert, LumInt)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_IntInsert, LumIntCalls)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_IntInsert, StdIntMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_IntLookup, LumInt)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_IntLookup, LumIntCalls)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_IntLookup, StdIntMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_IntTraverse, LumInt)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_IntTraverse, StdIntMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_StringInsert, LumStringMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_StringInsert, StdStringMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_StringLookup, LumStringMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_StringLookup, StdStringMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_StringTraverse, LumStringMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_StringTraverse, StdStringMap)->Apply(sizes);
#ifdef LUM_HAVE_ABSL
BENCHMARK_TEMPLATE(BM_IntInsert, AbslIntMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_IntLookup, AbslIntMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_IntTraverse, AbslIntMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_StringInsert, AbslStringMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_StringLookup, AbslStringMap)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_StringTraverse, AbslStringMap)->Apply(sizes);
#endif

} // namespace

BENCHMARK_MAIN();
