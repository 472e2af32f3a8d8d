// The process's surroundings: working directory, own executable, host
// name, environment and timers.

#include <gtest/gtest.h>

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "childProcess.h"
#include "tempDir.h"
#include "stdMemSpace.h"
#include "stdProcess.h"
#include "stdThreads.h"

namespace {

using testsupport::runChild;
using testsupport::TempDir;

// The text, given back to the allocator; "null" for none.
std::string taken(String text)
{
    std::string copy = text ? text : "null";
    memspFree(text);
    return copy;
}

TEST(Surroundings, TheWorkingDirectoryAtAnyLengthAndNullOnceItIsGone)
{
    TempDir area;
    auto run = runChild([&] {
        std::string deep = area.root();
        for (int i = 0; i < 6; i++) {   // well past the first buffers of 200 and 400 bytes
            deep += "/" + std::string(90, (char)('a' + i));
            mkdir(deep.c_str(), 0700);
        }
        if (chdir(deep.c_str()) != 0) return;
        char real[PATH_MAX];
        printf("%d\n", taken(procGetPwd()) == getcwd(real, sizeof real));
        rmdir(deep.c_str());
        printf("%s\n", taken(procGetPwd()).c_str());
    }, false, 10);
    EXPECT_EQ(run.out, "1\nnull\n");
}

std::string linkText(const char *path)
{
    char text[PATH_MAX];
    ssize_t length = readlink(path, text, sizeof text - 1);
    return std::string(text, length > 0 ? (size_t)length : 0);
}

TEST(Surroundings, TheOwnExecutableAtAnyLength)
{
    EXPECT_EQ(taken(procCurrentExecutableName()), linkText("/proc/self/exe"));
    if (getenv("LUM_PRINT_OWN_NAME") != nullptr) {
        printf("own name %s\n", taken(procCurrentExecutableName()).c_str());
        return;
    }
    // A copy of this program at the end of a path longer than the first
    // buffers runs this test again, printing its name.
    TempDir area;
    std::string directory = area.root() + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
    std::filesystem::create_directories(directory);
    std::string copy = directory + "/again";
    std::filesystem::copy_file(linkText("/proc/self/exe"), copy);
    auto run = runChild([&] {
        setenv("LUM_PRINT_OWN_NAME", "1", 1);
        execl(copy.c_str(), copy.c_str(), "--gtest_filter=Surroundings.TheOwnExecutableAtAnyLength", nullptr);
    });
    EXPECT_NE(run.out.find("own name " + copy + "\n"), std::string::npos) << run.out;
}

TEST(Surroundings, HostNameEnvironmentAndTimers)
{
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(taken(procGetHostName()), host);
    EXPECT_TRUE(procIs64Bit());
    EXPECT_TRUE(procIsMachine64Bit());

    EXPECT_EQ(stdSetEnv("LUM_TEST_VARIABLE", "first"), 0);
    String value = stdGetEnv("LUM_TEST_VARIABLE");
    EXPECT_STREQ(value, "first");
    EXPECT_NE(value, getenv("LUM_TEST_VARIABLE")) << "a copy";
    memspFree(value);
    stdSetEnv("LUM_TEST_VARIABLE", "second");
    EXPECT_EQ(taken(stdGetEnv("LUM_TEST_VARIABLE")), "second");
    unsetenv("LUM_TEST_VARIABLE");
    EXPECT_EQ(stdGetEnv("LUM_TEST_VARIABLE"), nullptr);

    stdTimer timer;
    stdTimerInit(&timer);
    stdResetTimer(&timer);
    EXPECT_LT(stdGetTimer(&timer), 50.0f);
    EXPECT_GE(stdGetTimer(&timer), 0.0f);
    usleep(20000);
    EXPECT_GE(stdGetTimer(&timer), 19.9f);
}

}  // namespace
