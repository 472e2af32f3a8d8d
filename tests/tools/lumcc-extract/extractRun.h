/*
 * Running the built lumcc-extract as its users do: a separate process with
 * its own arguments and working folder, whose standard output, standard
 * error, exit status and output files the tests compare byte for byte.
 */
#ifndef extractRun_INCLUDED
#define extractRun_INCLUDED

#include <functional>
#include <string>
#include <vector>

/* What one run of the tool left behind. */
struct ToolRun {
    int         status;   /* exit status 0..255, or 1000 + signal number */
    std::string out;      /* standard output */
    std::string err;      /* standard error */
};

/* How to start the tool, beyond its arguments and folder. */
struct RunSetup {
    std::string program = LUM_EXTRACT_BIN;  /* argv[0]: the path, or another program name */
    long fileSizeLimit = -1;  /* when not negative, RLIMIT_FSIZE (SIGXFSZ ignored, so a
                                 write beyond it fails instead of killing) */
    long addressSpaceLimit = -1;  /* when not negative, RLIMIT_AS in bytes */
    std::string stdoutPath;   /* when set, standard output goes to this existing file
                                 (never created), not captured */
    bool stdoutReaderGone = false;  /* standard output is a pipe whose reader has closed it */
    std::function<void()> whileRunning;  /* when set, called once the tool has started;
                                            the run is waited for after it returns */
    std::function<void(int pid)> withProcess;  /* the same, given the tool's process ID */
    std::vector<std::string> environment;  /* "NAME=value" settings added to the tool's */
    bool asNobody = false;    /* the tool runs as user and group nobody, without root's rights */
};

/* Runs the tool with args in folder cwd. The tool starts with the default
 * signal dispositions and is stopped by SIGALRM (status 1014) when it has
 * not finished within a minute, so a run that blocks fails its test. */
ToolRun runTool(const std::vector<std::string> &args, const std::string &cwd,
                const RunSetup &setup = RunSetup());

/* The folder of this tool's fixtures (made by tests/fixtures/extract_fixtures.py). */
std::string fixtureDir();
std::string fixture(const std::string &name);

/* Whole file contents; fails the current test when the file cannot be read. */
std::string readBytes(const std::string &path);
bool pathExists(const std::string &path);
void writeText(const std::string &path, const std::string &text);

/* A fresh folder under the system's temporary folder, removed with all it
 * holds when the object goes. */
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    /* Names of the entries in the folder, sorted. */
    std::vector<std::string> entries() const;

private:
    std::string path_;
};

/* The diagnostic line the tool writes for a message of the given class word
 * ("fatal", "error"), with the default tool name. */
std::string diag(const std::string &classWord, const std::string &text);

#endif
