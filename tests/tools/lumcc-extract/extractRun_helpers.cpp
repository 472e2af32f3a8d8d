/*
 * Process and file plumbing of the end-to-end tests.
 */
#include "extractRun.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "privileges.h"

namespace {

std::string slurp(int fd)
{
    std::string text;
    char buffer[65536];
    lseek(fd, 0, SEEK_SET);
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, (size_t)n);
    }
    return text;
}

int scratchFile()
{
    char name[] = "/tmp/lumcc-extract-run-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) {
        unlink(name);
    }
    return fd;
}

} // namespace

ToolRun runTool(const std::vector<std::string> &args, const std::string &cwd,
                const RunSetup &setup)
{
    ToolRun run{ -1, "", "" };
    int outFd = -1;
    if (setup.stdoutReaderGone) {
        int ends[2];
        if (pipe(ends) == 0) {
            close(ends[0]);
            outFd = ends[1];
        }
    } else if (!setup.stdoutPath.empty()) {
        outFd = open(setup.stdoutPath.c_str(), O_WRONLY);
    } else {
        outFd = scratchFile();
    }
    int errFd = scratchFile();
    if (outFd < 0 || errFd < 0) {
        ADD_FAILURE() << "cannot make capture files";
        return run;
    }

    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(setup.program.c_str()));
    for (const std::string &arg : args) {
        argv.push_back(const_cast<char *>(arg.c_str()));
    }
    argv.push_back(nullptr);

    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int devNull = open("/dev/null", O_RDONLY);
        if (devNull < 0 || dup2(devNull, 0) < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0
            || chdir(cwd.c_str()) != 0) {
            _exit(200);
        }
        if (signal(SIGPIPE, SIG_DFL) == SIG_ERR || signal(SIGALRM, SIG_DFL) == SIG_ERR) {
            _exit(203);
        }
        alarm(60);
        if (setup.fileSizeLimit >= 0) {
            struct rlimit limit = { (rlim_t)setup.fileSizeLimit, (rlim_t)setup.fileSizeLimit };
            if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                _exit(202);
            }
        }
        if (setup.addressSpaceLimit >= 0) {
            struct rlimit limit = { (rlim_t)setup.addressSpaceLimit, (rlim_t)setup.addressSpaceLimit };
            if (setrlimit(RLIMIT_AS, &limit) != 0) {
                _exit(204);
            }
        }
        if (setup.asNobody && !testsupport::becomeNobody()) {
            _exit(205);
        }
        for (const std::string &setting : setup.environment) {
            putenv(const_cast<char *>(setting.c_str()));
        }
        execv(LUM_EXTRACT_BIN, argv.data());
        _exit(201);
    }
    if (pid > 0 && setup.whileRunning) {
        setup.whileRunning();
    }
    if (pid > 0 && setup.withProcess) {
        setup.withProcess(pid);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) {
        ADD_FAILURE() << "cannot run " << LUM_EXTRACT_BIN;
    } else if (WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.status = 1000 + WTERMSIG(status);
    }
    bool captured = setup.stdoutPath.empty() && !setup.stdoutReaderGone;
    run.out = captured ? slurp(outFd) : "";
    run.err = slurp(errFd);
    close(outFd);
    close(errFd);
    return run;
}

std::string fixtureDir()
{
    return std::string(LUM_FIXTURE_DIR) + "/extract";
}

std::string fixture(const std::string &name)
{
    return fixtureDir() + "/" + name;
}

std::string readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "cannot read " << path;
        return "";
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool pathExists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

void writeText(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) {
        ADD_FAILURE() << "cannot write " << path;
    }
}

ScratchDir::ScratchDir()
{
    const char *tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lumcc-extract-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        ADD_FAILURE() << "cannot make a scratch folder";
    }
    path_ = name.data();
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchDir::entries() const
{
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(path_, ignored)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string diag(const std::string &classWord, const std::string &text)
{
    std::string word = classWord;
    word.resize(8, ' ');
    return "lumcc-extract " + word + ": " + text + "\n";
}
