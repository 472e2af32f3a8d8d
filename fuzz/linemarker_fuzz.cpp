/*
 * Fuzzes source structures with preprocessed text: a line
 *   # N "name" flags
 * is a line marker applied with msgCppUpdateSourceStruct, every other line
 * pulls its position (and every eighth is reported against it, which records a message). A
 * marker that does not fit the structure fails "Unexpected cpp line
 * directive", which is brought back here and checked. Invariants: a position
 * keeps the file name it was made with through any later marker, equal
 * positions hash alike, and the order is reflexive and total.
 */
#include <setjmp.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "stdMemSpace.h"
#include "stdMessages.h"

namespace {

struct Pulled {
    msgSourcePos pos;
    std::string  fileName;
};

/* Global, so that nothing the assertion's jump skips over holds a value read after it. */
struct Run {
    jmp_buf             recovery;
    msgSourceStructure  structure;
    std::vector<Pulled> pulled;
    bool                markerMayFail;
    std::string         line, name, flags;
} run;

[[noreturn]] void failAssertion(cString, va_list)
{
    if (!run.markerMayFail) abort();
    longjmp(run.recovery, 1);
}

void checkPositions()
{
    size_t first = run.pulled.size() > 48 ? run.pulled.size() - 48 : 0;
    for (size_t i = first; i < run.pulled.size(); i++) {
        msgSourcePos a = run.pulled[i].pos;
        if (a->node == nullptr || run.pulled[i].fileName != a->node->fileName) abort();
        if (!msgSourcePosLessEq(a, a)) abort();
        for (size_t j = first; j < i; j++) {
            msgSourcePos b = run.pulled[j].pos;
            if (stdSourcePosEqual(a, b) && stdSourcePosHash(a) != stdSourcePosHash(b)) abort();
            if (!msgSourcePosLessEq(a, b) && !msgSourcePosLessEq(b, a)) abort();
        }
    }
}

void feed(const std::string &text)
{
    uInt32 next = 1, count = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string &line = run.line;
        line.assign(text, start, end - start);
        start = end + 1;
        size_t open = line.find('"');
        size_t close = open == std::string::npos ? open : line.find('"', open + 1);
        if (line.size() > 2 && line[0] == '#' && line[1] == ' ' && close != std::string::npos) {
            uInt32 lineNo = (uInt32)strtoul(line.c_str() + 2, nullptr, 10);
            std::string &name = run.name, &flags = run.flags;
            name.assign(line, open + 1, close - open - 1);
            flags.assign(line, close + 1);
            run.markerMayFail = true;
            msgCppUpdateSourceStruct(run.structure, next, name.c_str(), lineNo, flags.c_str());
            run.markerMayFail = false;
            next = lineNo;
            continue;
        }
        msgSourcePos pos = msgPullSourcePos(run.structure, next);
        run.pulled.push_back({ pos, pos->node->fileName });
        if (++count % 8 == 0) msgReportWithPos(cmdoptMsgDeprecated, pos, line.c_str());
        next++;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool once = [] {
        stdSetLogFile(fopen("/dev/null", "w"));
        stdSetAssertHandlers(nullptr, failAssertion);
        return true;
    }();
    (void)once;

    static std::string text;
    text.assign(reinterpret_cast<const char *>(data), size);
    text.resize(strlen(text.c_str()));
    run.pulled.clear();
    run.markerMayFail = false;
    run.structure = msgCreateSourceStructure("main.c");
    msgSetSourceStructureFlags(run.structure, msgRecordMessages);
    if (setjmp(run.recovery) != 0) {
        /* Only a marker that cannot fit may fail: entering a file at a line
         * other than 1, or returning to a file that is not the includer. */
        run.markerMayFail = false;
    } else {
        feed(text);
    }
    checkPositions();
    msgDeleteSourceStructure(run.structure);
    return 0;
}
