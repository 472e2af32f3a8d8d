/* A fresh directory for one test, removed with everything in it (links are
 * removed, never followed) when the test is done. */
#ifndef scratchDirectory_INCLUDED
#define scratchDirectory_INCLUDED

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

/* The file's whole text; empty when it cannot be read. */
inline std::string fileText(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream(path) << text;
}

/* Whether anything, a dangling link included, has the name. */
inline bool pathExists(const std::string &path)
{
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumtest-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;

    std::string operator/(const std::string &name) const { return path + "/" + name; }

    /* The names in the directory, sorted. */
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string path;
};

}  // namespace testsupport

#endif
