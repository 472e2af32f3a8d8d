/*
 * What the tool owes its callers about standard output and pipes: a write
 * that fails is reported, never lost and never a silent death.
 */
#include <signal.h>
#include <stdio.h>
#include "extract.h"

void extractReportBrokenPipes(void)
{
    signal(SIGPIPE, SIG_IGN);
}

void extractFinishStandardOutput(void)
{
    if (fflush(stdout) != 0 || ferror(stdout)) {
        msgReport(msgStdoutWriteFail);
    }
}
