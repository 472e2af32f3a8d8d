/*
 * Listing lines before positioned messages, on a generated 1,000,000-line
 * source file, against reading the file line by line up to the wanted line.
 *
 *   build/bench/listing_bench
 *
 * Each iteration is one report, written to /dev/null, at the next of 100,000
 * positions; the time column is the time per report.
 *   Listed/<where>      the report with its listing line (one seek, at most
 *                       ten line reads through the index of every tenth line)
 *   Unlisted/<where>    the same report without a listing line
 *   LineByLine/<where>  the report with a listing line found by reading the
 *                       file from its start to the line, as a tool without
 *                       the index would
 *   Index               opening the file and indexing it, once per file
 * <where>: spread (100,000 lines over the whole file), start (lines 1 to 20)
 * and end (lines 999,981 to 1,000,000). Listed/start and Listed/end should
 * match: the cost does not grow with the line number.
 */
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "stdMessages.h"

namespace {

const uInt32 kLines = 1000000;
const int64_t kReports = 100000;

msgMessageRec infoRec = { msgInfo, False, False, "%s" };

enum Where { Spread, Start, End };

// The generated file, made on first use and removed at exit.
const std::string &sourceFile()
{
    static const std::string path = [] {
        const char *tmp = getenv("TMPDIR");
        std::string name = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/listing_bench_" +
                           std::to_string(getpid()) + ".c";
        FILE *out = fopen(name.c_str(), "w");
        if (out == nullptr) abort();
        for (uInt32 line = 1; line <= kLines; line++) {
            fprintf(out, "    total += scale(values[%u], %u); /* step %u */\n", line % 4093, line * 7 % 1000, line);
        }
        fclose(out);
        return name;
    }();
    static const bool removed = atexit([] { unlink(sourceFile().c_str()); }) == 0;
    (void)removed;
    return path;
}

FILE *devNull()
{
    static FILE *sink = fopen("/dev/null", "w");
    return sink;
}

// A structure of the file with 100,000 positions at the chosen lines.
struct Reports {
    msgSourceStructure structure;
    std::vector<msgSourcePos> positions;
    size_t next = 0;

    Reports(Where where, uInt32 flags)
    {
        stdSetLogFile(devNull());
        structure = msgCreateSourceStructure(sourceFile().c_str());
        msgSetSourceStructureFlags(structure, flags);
        std::mt19937 random(where + 1);
        for (int64_t i = 0; i < kReports; i++) {
            uInt32 line = where == Spread ? 1 + random() % kLines
                        : where == Start  ? 1 + random() % 20
                                          : kLines - 19 + random() % 20;
            positions.push_back(msgPullSourcePos(structure, line));
        }
        msgReportWithPos(&infoRec, positions[0], "index");   // the index is built here, before the timing
    }
    ~Reports()
    {
        msgDeleteSourceStructure(structure);
        stdSetLogFile(NULL);
    }
    msgSourcePos take()
    {
        msgSourcePos pos = positions[next];
        next = next + 1 == positions.size() ? 0 : next + 1;
        return pos;
    }
};

void BM_Listed(benchmark::State &state, Where where)
{
    Reports reports(where, msgPrintMessages | msgPrintSourceLine);
    for (auto _ : state) {
        msgReportWithPos(&infoRec, reports.take(), "value out of range");
    }
}

void BM_Unlisted(benchmark::State &state, Where where)
{
    Reports reports(where, msgPrintMessages);
    for (auto _ : state) {
        msgReportWithPos(&infoRec, reports.take(), "value out of range");
    }
}

void BM_LineByLine(benchmark::State &state, Where where)
{
    Reports reports(where, msgPrintMessages);
    FILE *in = fopen(sourceFile().c_str(), "r");
    char buffer[4096];
    for (auto _ : state) {
        msgSourcePos pos = reports.take();
        rewind(in);
        for (uInt32 line = 1; fgets(buffer, sizeof buffer, in) != NULL; line++) {
            if (line == pos->lineNo) {
                fprintf(devNull(), "# %s", buffer);
                break;
            }
        }
        msgReportWithPos(&infoRec, pos, "value out of range");
    }
    fclose(in);
}

void BM_Index(benchmark::State &state)
{
    stdSetLogFile(devNull());
    for (auto _ : state) {
        msgSourceStructure structure = msgCreateSourceStructure(sourceFile().c_str());
        msgSetSourceStructureFlags(structure, msgPrintMessages | msgPrintSourceLine);
        msgReportWithPos(&infoRec, msgPullSourcePos(structure, 1), "index");
        msgDeleteSourceStructure(structure);
    }
    stdSetLogFile(NULL);
}

BENCHMARK_CAPTURE(BM_Listed, spread, Spread)->Iterations(kReports);
BENCHMARK_CAPTURE(BM_Listed, start, Start)->Iterations(kReports);
BENCHMARK_CAPTURE(BM_Listed, end, End)->Iterations(kReports);
BENCHMARK_CAPTURE(BM_Unlisted, spread, Spread)->Iterations(kReports);
BENCHMARK_CAPTURE(BM_LineByLine, start, Start)->Iterations(kReports);
BENCHMARK_CAPTURE(BM_LineByLine, spread, Spread)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LineByLine, end, End)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Index)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
