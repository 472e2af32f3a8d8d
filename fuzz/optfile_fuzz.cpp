/*
 * Fuzzes options files as the parser reads them: the input, cut at NUL bytes
 * into up to four files f0 .. f3 of a private folder, is parsed as
 * "--options-file f0", so files may name each other (and themselves) with
 * quotes, brackets, escapes and keyword lists in between. Bad input ends in
 * a fatal report of the option library, brought back here by a recovery
 * point; an assertion or an allocation failure is a finding. The folder
 * lies in /dev/shm, where writing the files costs no disk.
 */
#include <setjmp.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <string>
#include "stdCmdOpt.h"
#include "stdMemSpace.h"
#include "stdMessages.h"
#include "stdThreads.h"

namespace {

jmp_buf recovery;

/* Every fatal report the option library makes for bad user input. */
bool expectedFatal(msgMessage message)
{
    const msgMessage expected[] = {
        cmdoptMsgArgumentExpected,  cmdoptMsgIsNoKeyword,     cmdoptMsgKeywordNotInDomain,
        cmdoptMsgNoArgumentExpected, cmdoptMsgNotABool,       cmdoptMsgNotANumber,
        cmdoptMsgOpenOptFailed,     cmdoptMsgOutOfRange,      cmdoptMsgReadProblem,
        cmdoptMsgRedefinedArgument, cmdoptMsgRedefinedKeyword, cmdoptMsgTooManyOptFileOpened,
        cmdoptMsgUnknownOption,     cmdoptMsgValueNotInDomain, stdMsgStrayBackSlash,
        stdMsgStrayBracket,         stdMsgStrayQuote,
    };
    for (msgMessage m : expected)
        if (m == message) return true;
    return false;
}

void failAssertion(cString, va_list) { abort(); }

cmdoptTable makeTable()
{
    cmdoptTable table = cmdoptCreate(False);
    cmdoptAddOption(table, "options-file", "f", cmdoptOptionsFile, cmdoptListValue, 0, nullptr,
                    nullptr, nullptr, nullptr, "<file>", "options file");
    cmdoptAddOption(table, "name", "n", cmdoptString, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "name");
    cmdoptAddOption(table, "list", "l", cmdoptString, cmdoptListValue,
                    cmdoptListEscapes | cmdoptListKeepQuotes, nullptr, nullptr, nullptr, nullptr,
                    nullptr, "list");
    cmdoptAddOption(table, "bracket", "b", cmdoptString, cmdoptListValue, cmdoptListKeepBrackets,
                    nullptr, nullptr, nullptr, nullptr, nullptr, "list keeping brackets");
    cmdoptAddOption(table, "key", "k", cmdoptString, cmdoptKeywordListValue, 0, nullptr, "a,b,c",
                    nullptr, nullptr, nullptr, "keywords");
    cmdoptAddOption(table, "count", "c", cmdoptInt, cmdoptSingleValue, 0, nullptr, nullptr, "1",
                    nullptr, nullptr, "count");
    cmdoptAddOption(table, "mode", "m", cmdoptCIString, cmdoptSingleValue, 0, "fast,small",
                    nullptr, nullptr, nullptr, nullptr, "mode");
    cmdoptAddOption(table, "opt", "O", cmdoptInt, cmdoptSingleValue, cmdoptSingleLetter, nullptr,
                    nullptr, nullptr, "2", nullptr, "level");
    cmdoptAddOption(table, "flag", "x", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "switch");
    return table;
}

/* Reads every value back: each string must be a terminated text no longer
 * than the whole input. */
void checkValues(cmdoptTable table, size_t inputSize)
{
    String name = nullptr;
    if (cmdoptGetOptionValue(table, "name", &name) && name != nullptr && strlen(name) > inputSize)
        abort();
    for (cString list : { "list", "bracket", cmdoptPositionalName }) {
        cmdoptListHeader values = nullptr;
        if (!cmdoptGetOptionValue(table, list, &values) || values == nullptr) continue;
        for (stdList cell = values->list; cell != nullptr; cell = cell->next)
            if (strlen((cString)cell->element) > inputSize) abort();
    }
    Int count = 0;
    cmdoptGetOptionValue(table, "count", &count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    /* Fatal lines are expected by the thousand; keep them off the terminal.
     * The files live in a private folder that is the working folder. */
    static FILE *sink = [] {
        FILE *file = fopen("/dev/null", "w");
        stdSetLogFile(file);
        stdSetAssertHandlers(nullptr, failAssertion);
        static char folder[] = "/dev/shm/optfile_fuzz.XXXXXX";
        if (mkdtemp(folder) == nullptr || chdir(folder) != 0) abort();
        atexit([] {
            for (cString name : { "f0", "f1", "f2", "f3" }) unlink(name);
            rmdir(folder);
        });
        return file;
    }();
    (void)sink;

    /* Options files are short; long inputs only make each run slower. */
    if (size > 4096) return 0;
    /* Only the files the input has pieces for exist; naming another one is
     * the "could not open" report. */
    std::string input(reinterpret_cast<const char *>(data), size);
    size_t start = 0;
    for (int i = 0; i < 4; i++) {
        std::string path = "f" + std::to_string(i);
        if (start > input.size()) {
            unlink(path.c_str());
            continue;
        }
        size_t end = i == 3 ? std::string::npos : input.find('\0', start);
        std::string piece = input.substr(start, end - start);
        FILE *file = fopen(path.c_str(), "w");
        if (file == nullptr) abort();
        fwrite(piece.data(), 1, piece.size(), file);
        fclose(file);
        start = end == std::string::npos ? input.size() + 1 : end + 1;
    }

    /* The table and every value die with a space of their own (small pages:
     * a run needs few blocks of each size). */
    stdMemSpace space = memspCreate("optfile", nullptr, 0x1000);
    stdMemSpace saved = stdSwapMemSpace(space);
    char program[] = "tool", option[] = "--options-file", file[] = "f0";
    static String argv[4];
    argv[0] = program, argv[1] = option, argv[2] = file, argv[3] = nullptr;
    static cmdoptTable table;
    table = makeTable();
    if (setjmp(recovery) == 0) {
        stdGetThreadContext()->recoveryPoint = &recovery;
        cmdoptParse(table, 3, argv);
        stdGetThreadContext()->recoveryPoint = nullptr;
        checkValues(table, size);
    } else {
        stdGetThreadContext()->recoveryPoint = nullptr;
        if (!expectedFatal(stdGetThreadContext()->lastFatalMessage)) abort();
    }
    stdTokenizeReleaseCopies();
    stdSwapMemSpace(saved);
    memspDelete(space, False);
    return 0;
}
