/*
 * Shared pieces of the reader tests.
 */
#include "elf_test_helpers.h"

#include <gtest/gtest.h>
#include <fstream>
#include <iterator>
#include <map>
#include <stdlib.h>
#include <unistd.h>

namespace lumtest {

std::string fixture(const std::string &relative)
{
    return std::string(LUM_FIXTURE_DIR) + "/elf/" + relative;
}

Bytes readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint64_t fact(const std::string &key)
{
    static std::map<std::string, uint64_t> facts;
    if (facts.empty()) {
        std::ifstream in(fixture("facts.txt"));
        std::string line;
        while (std::getline(in, line)) {
            size_t eq = line.find('=');
            if (eq != std::string::npos) {
                facts[line.substr(0, eq)] = strtoull(line.c_str() + eq + 1, nullptr, 10);
            }
        }
    }
    auto it = facts.find(key);
    EXPECT_NE(it, facts.end()) << "no fact " << key;
    return it == facts.end() ? 0 : it->second;
}

MemStream::MemStream(Bytes bytes, const char *mode) : bytes_(std::move(bytes))
{
    /* fmemopen wants a non-empty buffer; an empty stream still gets one spare byte. */
    size_t size = bytes_.size();
    bytes_.push_back(0);
    stream_ = fmemopen(bytes_.data(), size, mode);
    EXPECT_NE(stream_, nullptr);
}

MemStream::~MemStream()
{
    if (stream_ != nullptr) {
        fclose(stream_);
    }
}

ScratchFile::ScratchFile(const Bytes &bytes)
{
    char name[] = "/tmp/lumtest-XXXXXX";
    int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    if (fd >= 0) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                break;
            }
            done += (size_t)n;
        }
        EXPECT_EQ(done, bytes.size());
        close(fd);
    }
    path_ = name;
}

ScratchFile::~ScratchFile()
{
    unlink(path_.c_str());
}

uint64_t getU64(const Bytes &bytes, uint64_t offset)
{
    uint64_t value = 0;
    for (int i = 7; i >= 0; i--) {
        value = (value << 8) | bytes.at(offset + i);
    }
    return value;
}

void putU64(Bytes &bytes, uint64_t offset, uint64_t value)
{
    for (int i = 0; i < 8; i++) {
        bytes.at(offset + i) = (uint8_t)(value >> (8 * i));
    }
}

void putU16(Bytes &bytes, uint64_t offset, uint16_t value)
{
    bytes.at(offset) = (uint8_t)value;
    bytes.at(offset + 1) = (uint8_t)(value >> 8);
}

} // namespace lumtest
