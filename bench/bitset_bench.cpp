/*
 * The main bit-set operations on sets of N elements.
 *
 *   build/bench/bitset_bench
 *
 * Dense sets hold every other element of 0 ... 2N; sparse ones every 97th.
 */
#include <benchmark/benchmark.h>
#include "stdBitSet.h"

namespace {

/* The window widens exactly to each new element, so the last element goes
 * in first: the rest then fall inside the window. */
stdBitSet everyKth(uInt32 n, uInt32 k, uInt32 offset)
{
    stdBitSet s = bitSetCreate();
    bitSetInsert(s, offset + (n - 1) * k);
    for (uInt32 i = 0; i < n; i++) bitSetInsert(s, offset + i * k);
    return s;
}

/* Ascending insertion widens the window on every new word: quadratic in
 * the number of words, so kept to modest sizes. */
void BM_InsertAscending(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    for (auto _ : state) {
        stdBitSet s = bitSetCreate();
        for (uInt32 i = 0; i < n; i++) bitSetInsert(s, 2 * i);
        benchmark::DoNotOptimize(bitSetSize(s));
        bitSetDelete(s);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * n);
}

/* Inside a window that already covers the elements. */
void BM_InsertInsideWindow(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    for (auto _ : state) {
        stdBitSet s = everyKth(n, 2, 0);
        benchmark::DoNotOptimize(bitSetSize(s));
        bitSetDelete(s);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * n);
}

/* Every insertion widens the window to the left. */
void BM_InsertDescending(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    for (auto _ : state) {
        stdBitSet s = bitSetCreate();
        for (uInt32 i = n; i > 0; i--) bitSetInsert(s, i * 64);
        benchmark::DoNotOptimize(bitSetSize(s));
        bitSetDelete(s);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * n);
}

void BM_InsertRange(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    for (auto _ : state) {
        stdBitSet s = bitSetRange(3, 3 + 2 * n);
        benchmark::DoNotOptimize(bitSetSize(s));
        bitSetDelete(s);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * 2 * n);
}

void BM_Element(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    stdBitSet s = everyKth(n, 2, 0);
    for (auto _ : state) {
        uInt32 hits = 0;
        for (uInt32 e = 0; e < 2 * n; e++) hits += bitSetElement(s, e * 2654435761u % (2 * n));
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * 2 * n);
    bitSetDelete(s);
}

void BM_Union(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    stdBitSet a = everyKth(n, 2, 0), b = everyKth(n, 2, 1);
    for (auto _ : state) {
        stdBitSet u = bitSetUnion(a, b);
        benchmark::DoNotOptimize(bitSetSize(u));
        bitSetDelete(u);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * 2 * n);
    bitSetDelete(a);
    bitSetDelete(b);
}

void BM_InPlaceIntersection(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    stdBitSet a = everyKth(n, 2, 0), b = everyKth(n, 3, 0);
    for (auto _ : state) {
        stdBitSet c = bitSetCopy(a);
        bitSetInPlaceIntersection(c, b);
        benchmark::DoNotOptimize(bitSetSize(c));
        bitSetDelete(c);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * n);
    bitSetDelete(a);
    bitSetDelete(b);
}

void BM_SubsetAndEqual(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    stdBitSet a = everyKth(n, 2, 0), b = bitSetRange(0, 2 * n);
    for (auto _ : state) {
        benchmark::DoNotOptimize(bitSetSubset(a, b));
        benchmark::DoNotOptimize(bitSetEqual(a, b));
    }
    state.SetItemsProcessed((int64_t)state.iterations() * n);
    bitSetDelete(a);
    bitSetDelete(b);
}

void BM_Traverse(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    stdBitSet s = everyKth(n, 97, 0);
    for (auto _ : state) {
        uInt64 sum = 0;
        bitSetTraverse(s, [](uInt32 e, Pointer d) { *(uInt64 *)d += e; }, &sum);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * n);
    bitSetDelete(s);
}

void BM_TraverseRanges(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    stdBitSet s = everyKth(n, 2, 0);
    bitSetInsertRange(s, 0, n / 2);   /* one long run, then single elements */
    for (auto _ : state) {
        uInt64 runs = 0;
        bitSetTraverseRanges(s, [](uInt32, uInt32, Pointer d) { ++*(uInt64 *)d; }, &runs);
        benchmark::DoNotOptimize(runs);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * n);
    bitSetDelete(s);
}

void BM_Hash(benchmark::State &state)
{
    uInt32 n = (uInt32)state.range(0);
    stdBitSet s = everyKth(n, 2, 0);
    for (auto _ : state) benchmark::DoNotOptimize(bitSetHash(s));
    state.SetItemsProcessed((int64_t)state.iterations() * n);
    bitSetDelete(s);
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
}

BENCHMARK(BM_InsertAscending)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_InsertInsideWindow)->Apply(sizes);
BENCHMARK(BM_InsertDescending)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_InsertRange)->Apply(sizes);
BENCHMARK(BM_Element)->Apply(sizes);
BENCHMARK(BM_Union)->Apply(sizes);
BENCHMARK(BM_InPlaceIntersection)->Apply(sizes);
BENCHMARK(BM_SubsetAndEqual)->Apply(sizes);
BENCHMARK(BM_Traverse)->Apply(sizes);
BENCHMARK(BM_TraverseRanges)->Apply(sizes);
BENCHMARK(BM_Hash)->Apply(sizes);

} // namespace

BENCHMARK_MAIN();
