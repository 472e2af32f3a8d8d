#include "tempDir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace testsupport {

TempDir::TempDir()
{
    const char *base = getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/lum-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) abort();
    dir_ = buffer.data();
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string TempDir::write(const std::string &name, const std::string &contents) const
{
    std::string file = path(name);
    std::ofstream out(file, std::ios::binary);
    out << contents;
    return file;
}

}  // namespace testsupport
