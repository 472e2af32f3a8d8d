#include "tempDir.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>

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

std::vector<std::string> TempDir::entries() const
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string fileText(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream(path) << text;
}

bool pathExists(const std::string &path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

}  // namespace testsupport
