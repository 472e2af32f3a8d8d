/*
 * Shared pieces of the reader tests: fixture files, the builder's facts,
 * streams over bytes and scratch files.
 */
#ifndef elf_test_helpers_INCLUDED
#define elf_test_helpers_INCLUDED

#include <stdint.h>
#include <stdio.h>
#include <string>
#include <vector>

namespace lumtest {

using Bytes = std::vector<uint8_t>;

/* Path of a fixture under the build's fixture folder, elf/ subfolder. */
std::string fixture(const std::string &relative);

/* The bytes of a file; the test fails (and returns empty) when it cannot be read. */
Bytes readBytes(const std::string &path);

/* A value recorded in elf/facts.txt by the fixture builder; fails the test when missing. */
uint64_t fact(const std::string &key);

/* A read-only memory stream over a private copy of some bytes. */
class MemStream {
public:
    explicit MemStream(Bytes bytes, const char *mode = "r");
    ~MemStream();
    MemStream(const MemStream &) = delete;
    MemStream &operator=(const MemStream &) = delete;
    FILE *get() const { return stream_; }
    const Bytes &bytes() const { return bytes_; }
private:
    Bytes bytes_;
    FILE *stream_;
};

/* A scratch copy of some bytes in a file of its own, removed at the end. */
class ScratchFile {
public:
    explicit ScratchFile(const Bytes &bytes);
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;
    const std::string &path() const { return path_; }
    Bytes contents() const { return readBytes(path_); }
private:
    std::string path_;
};

/* Little-endian numbers in byte vectors. */
uint64_t getU64(const Bytes &bytes, uint64_t offset);
void putU64(Bytes &bytes, uint64_t offset, uint64_t value);
void putU16(Bytes &bytes, uint64_t offset, uint16_t value);

} // namespace lumtest

#endif
