/* Running test code in a forked child and looking at what it left behind. */
#ifndef childProcess_INCLUDED
#define childProcess_INCLUDED

#include <stdio.h>

#include <functional>
#include <string>

namespace testsupport {

struct ChildRun {
    int exitCode = -1;   // -1 when the child did not exit normally
    int signal = 0;      // the signal that ended the child, if any
    std::string out;
    std::string err;
};

/* Everything in the file from its start. */
std::string readAll(FILE *file);

/*
 * Runs body in a forked child (no core files unless asked for) whose
 * standard output and error go to temporary files; a body that returns
 * ends the child with status 0. With a time limit, a child still running
 * after that many seconds is killed together with every process it started,
 * and its error output ends in "time limit reached": a test that would hang
 * fails instead.
 */
ChildRun runChild(const std::function<void()> &body, bool coreFiles = false, unsigned timeLimitSeconds = 0);

}  // namespace testsupport

#endif
