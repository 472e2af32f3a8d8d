/*
 * Reading files whole.
 */
#include <gtest/gtest.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include "elf_test_helpers.h"
#include "fileReader.h"

using namespace lumtest;

TEST(FileReading, ReadsEveryByteOfARealFile)
{
    std::string path = fixture("elf/host.exe");
    Bytes expected = readBytes(path);
    ASSERT_GT(expected.size(), 1000u);
    FileInfo info = read_file(path.c_str(), False);
    ASSERT_NE(info.data, nullptr);
    ASSERT_EQ(info.size, expected.size());
    EXPECT_EQ(memcmp(info.data, expected.data(), expected.size()), 0);
    free_file_info(info);
}

TEST(FileReading, TerminatorIsStoredAndCounted)
{
    ScratchFile file(Bytes{'a', 'b', 'c'});
    FileInfo info = read_file(file.path().c_str(), True);
    ASSERT_EQ(info.size, 4u);
    EXPECT_EQ(memcmp(info.data, "abc", 4), 0);   /* includes the zero */
    free_file_info(info);
}

TEST(FileReading, EmptyFileReadsAsSizeZero)
{
    ScratchFile file(Bytes{});
    FileInfo info = read_file(file.path().c_str(), False);
    EXPECT_EQ(info.size, 0u);
    EXPECT_NE(info.data, nullptr);
    free_file_info(info);

    FileInfo terminated = read_file(file.path().c_str(), True);
    ASSERT_EQ(terminated.size, 1u);
    EXPECT_EQ(terminated.data[0], 0);
    free_file_info(terminated);
}

TEST(FileReading, DeviceThatCanBeSizedReadsLikeAFile)
{
    FileInfo info = read_file("/dev/null", False);
    EXPECT_EQ(info.size, 0u);
    EXPECT_NE(info.data, nullptr);
    free_file_info(info);

    FileInfo terminated = read_file("/dev/null", True);
    ASSERT_EQ(terminated.size, 1u);
    EXPECT_EQ(terminated.data[0], 0);
    free_file_info(terminated);
}

using FileReadingDeathTest = ::testing::Test;

TEST(FileReadingDeathTest, MissingFileIsFatal)
{
    EXPECT_EXIT(read_file("/nonexistent/lum-input.o", False), ::testing::ExitedWithCode(1),
                "Could not open input file '/nonexistent/lum-input.o'");
}

TEST(FileReadingDeathTest, DirectoryCannotBeRead)
{
    EXPECT_EXIT(read_file("/tmp", False), ::testing::ExitedWithCode(1), "Could not read file '/tmp'");
}

TEST(FileReadingDeathTest, FifoIsRefusedWithoutWaitingForAWriter)
{
    char dir[] = "/tmp/lum-fifo-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/input";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EXIT(read_file(path.c_str(), False), ::testing::ExitedWithCode(1),
                "Could not read file '" + path + "'");
    unlink(path.c_str());
    rmdir(dir);
}
