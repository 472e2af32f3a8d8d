/*
 * Fuzzes the tokenizer on arbitrary text: once with the settings options
 * files are split with (blanks, tabs and line ends; escapes on), once with a
 * comma-list setting picked by the first byte. A stray quote, bracket or
 * final backslash is a fatal report; a recovery point brings it back here,
 * where it is checked against the text.
 */
#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "stdCmdOpt.h"
#include "stdMessages.h"
#include "stdThreads.h"

namespace {

/* What one tokenizing is asked to do and what it gave. Global, so that
 * nothing the fatal jump skips over holds a value read after it. */
struct Run {
    std::string              text;
    const char              *separators;
    Bool                     keepEmpty, escapes, keepQuotes, keepBrackets;
    std::vector<std::string> tokens;
    jmp_buf                  recovery;
};

Run run;

void keep(String token, Pointer data)
{
    static_cast<Run *>(data)->tokens.emplace_back(token);
}

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }

/* What any tokenizing must give: non-empty (unless kept), trimmed tokens
 * that together hold no more characters than the text. */
void checkShape(const std::string &text, Bool keepEmpty)
{
    size_t total = 0;
    for (const std::string &token : run.tokens) {
        if (token.empty()) {
            if (!keepEmpty) abort();
            continue;
        }
        if (isBlankOrTab(token.front()) || isBlankOrTab(token.back())) abort();
        total += token.size();
    }
    if (total > text.size()) abort();
}

/* Without quotes, brackets or (with escapes) backslashes, tokenizing is a
 * plain split at the separators followed by trimming. */
void checkPlainSplit(const std::string &text, const char *separators, Bool keepEmpty, Bool escapes)
{
    if (text.find_first_of(escapes ? "\"[\\" : "\"[") != std::string::npos) return;
    std::vector<std::string> expected;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(separators, start);
        if (end == std::string::npos) end = text.size();
        std::string piece = text.substr(start, end - start);
        size_t first = piece.find_first_not_of(" \t");
        piece = first == std::string::npos
                    ? std::string()
                    : piece.substr(first, piece.find_last_not_of(" \t") - first + 1);
        if (!piece.empty() || keepEmpty) expected.push_back(piece);
        start = end + 1;
    }
    if (expected != run.tokens) abort();
}

/* A fatal report must name something that is really in the text. */
void checkFatal(const std::string &text, Bool escapes)
{
    msgMessage message = stdGetThreadContext()->lastFatalMessage;
    if (message == stdMsgStrayQuote && text.find('"') != std::string::npos) return;
    if (message == stdMsgStrayBracket && text.find('[') != std::string::npos) return;
    if (message == stdMsgStrayBackSlash && escapes && text.find('\\') != std::string::npos) return;
    abort();
}

void tokenize(const char *separators, Bool keepEmpty, Bool escapes, Bool keepQuotes,
              Bool keepBrackets)
{
    run.separators = separators;
    run.keepEmpty = keepEmpty;
    run.escapes = escapes;
    run.keepQuotes = keepQuotes;
    run.keepBrackets = keepBrackets;
    run.tokens.clear();
    if (setjmp(run.recovery) == 0) {
        stdGetThreadContext()->recoveryPoint = &run.recovery;
        stdTokenizeString(run.text.c_str(), run.separators, run.keepEmpty, run.escapes, keep, &run,
                          run.keepQuotes, run.keepBrackets);
        stdGetThreadContext()->recoveryPoint = nullptr;
        checkShape(run.text, run.keepEmpty);
        checkPlainSplit(run.text, run.separators, run.keepEmpty, run.escapes);
    } else {
        stdGetThreadContext()->recoveryPoint = nullptr;
        checkFatal(run.text, run.escapes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    /* Fatal lines are expected by the thousand; keep them off the terminal. */
    static FILE *sink = [] {
        FILE *file = fopen("/dev/null", "w");
        stdSetLogFile(file);
        return file;
    }();
    (void)sink;

    /* The tokenizer reads a terminated text: an embedded NUL ends it. */
    run.text.assign(reinterpret_cast<const char *>(data), size);
    run.text.resize(strlen(run.text.c_str()));

    tokenize(" \t\r\n", False, True, False, False);

    uint8_t flags = size > 0 ? data[0] : 0;
    tokenize(",", flags & 1, (flags >> 1) & 1, (flags >> 2) & 1, (flags >> 3) & 1);

    stdTokenizeReleaseCopies();
    return 0;
}
