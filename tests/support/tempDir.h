/* A fresh temporary directory for one test, removed with everything in it
 * (links are removed, never followed), and small file helpers. */
#ifndef tempDir_INCLUDED
#define tempDir_INCLUDED

#include <string>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir();    /* under TMPDIR, or /tmp */
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &root() const { return dir_; }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    std::string operator/(const std::string &name) const { return path(name); }
    /* The names in the directory, sorted. */
    std::vector<std::string> entries() const;
    /* Writes the file and returns its path. */
    std::string write(const std::string &name, const std::string &contents) const;
private:
    std::string dir_;
};

/* The file's whole text; empty when it cannot be read. */
std::string fileText(const std::string &path);
void writeFile(const std::string &path, const std::string &text);
/* Whether anything, a dangling link included, has the name. */
bool pathExists(const std::string &path);

}  // namespace testsupport

#endif
