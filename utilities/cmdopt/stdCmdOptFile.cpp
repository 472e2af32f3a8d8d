/*
 * Options files: their text is split into arguments and parsed into the
 * same table, so files may name further files.
 */
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include "stdCmdOptLocal.h"
#include "stdMemSpace.h"
#include "stdString.h"

/* At most this many options files are read at once (a file naming itself
 * stops here instead of recursing without end). */
#define MAX_OPEN_OPTIONS_FILES 15

static String readWholeFile(cString path)
{
    FILE *file = fopen(path, "r");
    if (file == nullptr) {
        /* The stream's own record could not be had: that is exhaustion. */
        if (errno == ENOMEM) stdOutOfMemory();
        msgReport(cmdoptMsgOpenOptFailed, path);
        return nullptr;
    }
    stdString text = stringCreate(1000);
    char piece[1000];
    while (fgets(piece, sizeof piece, file) != nullptr) stringAddBuf(text, piece);
    /* A file that opens but cannot be read (a directory, an I/O error) must not
     * pass for an empty one. */
    Bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) msgReport(cmdoptMsgReadProblem);
    return stringStripToBuf(text);
}

typedef struct {
    stdList  tokens;   /* newest first */
    uInt64   count;
} Tokens;

/* Removes, in place, every double quote that does not follow a backslash. */
static void removeQuotes(String token)
{
    String write = token;
    char previous = '\0';
    for (String read = token; *read != '\0'; read++) {
        if (*read != '"' || previous == '\\') *write++ = *read;
        previous = *read;
    }
    *write = '\0';
}

static void collectToken(String token, Pointer data)
{
    Tokens *tokens = (Tokens *)data;
    if (strchr(token, '"') != nullptr) removeQuotes(token);
    listAddTo(token, &tokens->tokens);
    tokens->count++;
}

void addFileValue(cString path, cmdoptTable table)
{
    if (table->optionsFileDepth >= MAX_OPEN_OPTIONS_FILES)
        msgReport(cmdoptMsgTooManyOptFileOpened, path);
    table->optionsFileDepth++;

    String text = readWholeFile(path);
    if (text == nullptr) {
        table->optionsFileDepth--;
        return;
    }
    Tokens tokens = { nullptr, 0 };
    stdTokenizeString(text, " \t\r\n", False, True, collectToken, &tokens, False, False);
    memspFree(text);

    /* argv[0] stands for the program and is skipped, as on a command line. */
    uInt64 count = tokens.count;
    String *argv = (String *)stdMALLOC((count + 2) * sizeof(String));
    argv[0] = nullptr;
    argv[count + 1] = nullptr;
    uInt64 index = count;
    for (stdList cell = tokens.tokens; cell != nullptr; cell = cell->next)
        argv[index--] = (String)cell->element;
    listDelete(tokens.tokens);

    cmdoptParse(table, (Int)(count + 1), argv);
    /* Values point at the tokens, never at the vector. */
    memspFree(argv);
    table->optionsFileDepth--;
}
