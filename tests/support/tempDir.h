/* A fresh temporary directory for one test, removed with everything in it. */
#ifndef tempDir_INCLUDED
#define tempDir_INCLUDED

#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir();    /* under TMPDIR, or /tmp */
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &root() const { return dir_; }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    /* Writes the file and returns its path. */
    std::string write(const std::string &name, const std::string &contents) const;
private:
    std::string dir_;
};

}  // namespace testsupport

#endif
