#include "childProcess.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

std::string readAll(FILE *file)
{
    std::string text;
    rewind(file);
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    return text;
}

ChildRun runChild(const std::function<void()> &body, bool coreFiles)
{
    FILE *out = tmpfile();
    FILE *err = tmpfile();
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        if (!coreFiles) {
            struct rlimit noCore = { 0, 0 };   // the abort tests leave no core files
            setrlimit(RLIMIT_CORE, &noCore);
        }
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        body();
        fflush(stdout);
        fflush(stderr);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ChildRun run;
    if (WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    }
    run.out = readAll(out);
    run.err = readAll(err);
    fclose(out);
    fclose(err);
    return run;
}

}  // namespace testsupport
