/*
 * Text helpers: trimming, comment skipping and identifier-safe names.
 */
#include "stdUtils.h"

#include <string.h>

namespace {

bool isTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

extern "C" {

String stdShrinkWrap(String text)
{
    while (isTrimmed(*text)) text++;
    size_t length = strlen(text);
    while (length > 0 && isTrimmed(text[length - 1])) text[--length] = '\0';
    return text;
}

void stdSkipComments(String *text)
{
    String p = *text;
    if (p[0] == '/' && p[1] == '/') {
        String newline = strchr(p + 2, '\n');
        *text = newline ? newline + 1 : p + strlen(p);
    } else if (p[0] == '/' && p[1] == '*') {
        String end = strstr(p + 2, "*/");
        *text = end ? end + 2 : p + strlen(p);
    }
}

void stdTranslateNonIdChars(cString source, String destination)
{
    for (;; source++, destination++) {
        char c = *source;
        switch (c) {
        case ' ': case '-': case '.': c = '_'; break;
        case '#': case '*': case '@': c = '$'; break;
        default: break;
        }
        *destination = c;
        if (c == '\0') return;
    }
}

} // extern "C"
