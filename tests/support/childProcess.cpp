#include "childProcess.h"

#include <errno.h>
#include <signal.h>
#include <string.h>
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

/* The child leads its own process group, so this ends what it started too. */
static void endProcessGroup(int)
{
    static const char text[] = "\ntime limit reached\n";
    ssize_t written = write(STDERR_FILENO, text, sizeof text - 1);
    (void)written;
    kill(0, SIGKILL);
}

ChildRun runChild(const std::function<void()> &body, bool coreFiles, unsigned timeLimitSeconds)
{
    ChildRun run;
    FILE *out = tmpfile();
    FILE *err = tmpfile();
    if (out == nullptr || err == nullptr) {
        run.err = std::string("no temporary file: ") + strerror(errno);
        if (out != nullptr) fclose(out);
        if (err != nullptr) fclose(err);
        return run;
    }
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid < 0) {
        run.err = std::string("fork failed: ") + strerror(errno);
        fclose(out);
        fclose(err);
        return run;
    }
    if (pid == 0) {
        if (!coreFiles) {
            struct rlimit noCore = { 0, 0 };   // the abort tests leave no core files
            setrlimit(RLIMIT_CORE, &noCore);
        }
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        if (timeLimitSeconds > 0) {
            setpgid(0, 0);
            signal(SIGALRM, endProcessGroup);
            alarm(timeLimitSeconds);
        }
        body();
        fflush(stdout);
        fflush(stderr);
        _exit(0);
    }
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited < 0) {
        run.err = std::string("waiting failed: ") + strerror(errno);
    } else if (WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    }
    run.out = readAll(out);
    run.err += readAll(err);
    fclose(out);
    fclose(err);
    return run;
}

}  // namespace testsupport
