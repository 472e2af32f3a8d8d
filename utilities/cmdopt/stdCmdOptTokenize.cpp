/*
 * stdTokenizeString: splitting texts at separators, honouring quoted parts,
 * bracket groups and backslash escapes.
 */
#include <string.h>
#include <mutex>
#include "stdCmdOptLocal.h"

namespace {

/*
 * The copies the tokens point into are kept for the life of the process:
 * callers store tokens as values. Keeping them on a list reachable from
 * here documents that they are retained on purpose.
 */
std::mutex retainedLock;
stdList    retainedCopies = nullptr;

String retainCopy(cString text)
{
    size_t length = strlen(text);
    String copy = (String)stdMALLOC(length + 1);
    memcpy(copy, text, length + 1);
    std::lock_guard<std::mutex> guard(retainedLock);
    listAddTo(copy, &retainedCopies);
    return copy;
}

struct Tokenizer {
    String  read;          /* next character to look at */
    String  write;         /* where the next kept character goes (never past read) */
    cString separators;
    Bool    escapes;
    Bool    keepQuotes;
    Bool    keepBrackets;

    bool isSeparator(char c) const
    {
        return c != '\0' && separators != nullptr && strchr(separators, c) != nullptr;
    }

    /* A backslash escape at read; the escaped character is copied as it is. */
    void escape()
    {
        if (read[1] == '\0') {
            msgReport(stdMsgStrayBackSlash);
            read++;
            return;
        }
        *write++ = read[1];
        read += 2;
    }

    /* A quoted part starting at the opening quote under read. */
    void quoted()
    {
        Bool keep = escapes || keepQuotes;
        if (keep) *write++ = '"';
        read++;
        for (;;) {
            char c = *read;
            if (c == '\0') {
                msgReport(stdMsgStrayQuote);
                return;
            }
            if (c == '"') {
                read++;
                if (keep) *write++ = '"';
                return;
            }
            if (c == '\\' && escapes) {
                escape();
                continue;
            }
            *write++ = c;
            read++;
        }
    }

    /* A bracket group starting at the "[" under read, to its matching "]". */
    void bracketed()
    {
        int depth = 0;
        do {
            char c = *read;
            if (c == '\0') {
                msgReport(stdMsgStrayBracket);
                return;
            }
            if (c == '\\' && escapes) {
                escape();
            } else if (c == '"') {
                quoted();
            } else {
                if (c == '[') depth++;
                if (c == ']') depth--;
                if ((c != '[' && c != ']') || keepBrackets) *write++ = c;
                read++;
            }
        } while (depth > 0);
    }

    /* Reads one token; returns its start, or null at the end of the text. */
    String next()
    {
        if (*read == '\0') return nullptr;
        String start = write;
        for (;;) {
            char c = *read;
            if (c == '\0') break;
            if (isSeparator(c)) {
                read++;
                break;
            }
            if (c == '\\' && escapes) escape();
            else if (c == '[') bracketed();
            else if (c == '"') quoted();
            else {
                *write++ = c;
                read++;
            }
        }
        /* The terminator lands on or before the separator just consumed. */
        *write = '\0';
        String end = write;
        write++;
        if (write > read) write = read;
        while (*start == ' ' || *start == '\t') start++;
        while (end > start && (end[-1] == ' ' || end[-1] == '\t')) *--end = '\0';
        return start;
    }
};

}  // namespace

void stdTokenizeReleaseCopies(void)
{
    std::lock_guard<std::mutex> guard(retainedLock);
    listObliterate(retainedCopies, nullptr);
    retainedCopies = nullptr;
}

void stdTokenizeString(cString text, cString separators, Bool keepEmpty, Bool escapes,
                       stdTokenFun callback, Pointer data, Bool keepQuotes, Bool keepBrackets)
{
    if (text == nullptr) return;
    Tokenizer tokenizer;
    tokenizer.read = tokenizer.write = retainCopy(text);
    tokenizer.separators = separators;
    tokenizer.escapes = escapes;
    tokenizer.keepQuotes = keepQuotes;
    tokenizer.keepBrackets = keepBrackets;
    while (String token = tokenizer.next()) {
        if (*token != '\0' || keepEmpty) callback(token, data);
    }
}
