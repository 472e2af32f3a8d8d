/*
 * File names, search paths, the directory walk and wildcard matching.
 */
#include "stdFileNames.h"
#include "stdMemSpace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

/* An owned result text; nullopt stands for a null result. */
using Text = std::optional<std::string>;

Text take(String text)
{
    if (!text) return std::nullopt;
    std::string copy(text);
    memspFree(text);
    return copy;
}

struct Decomposed {
    Text directory, name, extension;
};

Decomposed decompose(cString path)
{
    String directory = (String)"poison", name = (String)"poison", extension = (String)"poison";
    fnamDecomposePath(path, &directory, &name, &extension);
    return { take(directory), take(name), take(extension) };
}

Decomposed decomposeLibrary(cString path)
{
    String directory = (String)"poison", name = (String)"poison", version = (String)"poison";
    fnamDecomposeSharedLibraryName(path, &directory, &name, &version);
    return { take(directory), take(name), take(version) };
}

Text compose(cString directory, cString name, cString extension)
{
    return take(fnamComposePath(directory, name, extension));
}

/* A fresh directory under the temporary area, removed with everything in it. */
class TempTree {
public:
    TempTree()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "fnamXXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back(0);
        if (!mkdtemp(buffer.data())) ADD_FAILURE() << "mkdtemp failed";
        root_ = buffer.data();
    }
    ~TempTree()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    const std::string &root() const { return root_; }
    std::string path(const std::string &relative) const { return root_ + "/" + relative; }

    std::string file(const std::string &relative, mode_t mode = 0644) const
    {
        std::string full = path(relative);
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full) << relative << "\n";
        chmod(full.c_str(), mode);
        return full;
    }
    std::string dir(const std::string &relative) const
    {
        std::string full = path(relative);
        std::filesystem::create_directories(full);
        return full;
    }

private:
    std::string root_;
};

/* Runs a test body inside a directory and comes back afterwards. */
class InDirectory {
public:
    explicit InDirectory(const std::string &directory)
    {
        char buffer[4096];
        if (getcwd(buffer, sizeof buffer)) saved_ = buffer;
        EXPECT_EQ(chdir(directory.c_str()), 0);
    }
    ~InDirectory() { EXPECT_EQ(chdir(saved_.c_str()), 0); }

private:
    std::string saved_;
};

/* Sets or unsets an environment variable for one test. */
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : name_(name)
    {
        const char *old = getenv(name);
        if (old) saved_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (saved_) setenv(name_, saved_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char *name_;
    std::optional<std::string> saved_;
};

/* ---- Paths taken apart ---- */

TEST(PathDecomposition, ToolNameFromProgramPath)
{
    Decomposed installed = decompose("/opt/bin/lumcc-extract");
    EXPECT_EQ(installed.directory, "/opt/bin");
    EXPECT_EQ(installed.name, "lumcc-extract");
    EXPECT_EQ(installed.extension, std::nullopt);

    Decomposed local = decompose("./x.tool");
    EXPECT_EQ(local.directory, ".");
    EXPECT_EQ(local.name, "x");
    EXPECT_EQ(local.extension, "tool");

    Decomposed bare = decompose("tool");
    EXPECT_EQ(bare.directory, std::nullopt);
    EXPECT_EQ(bare.name, "tool");
    EXPECT_EQ(bare.extension, std::nullopt);
}

TEST(PathDecomposition, DotBeforeLastSlashIsNoExtension)
{
    Decomposed d = decompose("a.b/c");
    EXPECT_EQ(d.directory, "a.b");
    EXPECT_EQ(d.name, "c");
    EXPECT_EQ(d.extension, std::nullopt);

    Decomposed hidden = decompose("../up/tool");
    EXPECT_EQ(hidden.directory, "../up");
    EXPECT_EQ(hidden.name, "tool");
    EXPECT_EQ(hidden.extension, std::nullopt);
}

TEST(PathDecomposition, OnlyTheLastDotStartsTheExtension)
{
    Decomposed d = decompose("dir/a.b.c");
    EXPECT_EQ(d.directory, "dir");
    EXPECT_EQ(d.name, "a.b");
    EXPECT_EQ(d.extension, "c");
}

TEST(PathDecomposition, EmptyPiecesAreKept)
{
    Decomposed trailingDot = decompose("file.");
    EXPECT_EQ(trailingDot.name, "file");
    EXPECT_EQ(trailingDot.extension, "");

    Decomposed profile = decompose(".profile");
    EXPECT_EQ(profile.directory, std::nullopt);
    EXPECT_EQ(profile.name, "");
    EXPECT_EQ(profile.extension, "profile");

    Decomposed atRoot = decompose("/x");
    EXPECT_EQ(atRoot.directory, "");
    EXPECT_EQ(atRoot.name, "x");

    Decomposed root = decompose("/");
    EXPECT_EQ(root.directory, "");
    EXPECT_EQ(root.name, "");
    EXPECT_EQ(root.extension, std::nullopt);

    Decomposed empty = decompose("");
    EXPECT_EQ(empty.directory, std::nullopt);
    EXPECT_EQ(empty.name, "");
    EXPECT_EQ(empty.extension, std::nullopt);
}

TEST(PathDecomposition, NothingIsNormalised)
{
    Decomposed d = decompose("a//b/../c.o");
    EXPECT_EQ(d.directory, "a//b/..");
    EXPECT_EQ(d.name, "c");
    EXPECT_EQ(d.extension, "o");
}

TEST(PathDecomposition, UnwantedPartsMayBeLeftOut)
{
    String name = nullptr;
    fnamDecomposePath("/usr/bin/tool.sh", nullptr, &name, nullptr);
    EXPECT_EQ(take(name), "tool");

    String extension = nullptr;
    fnamDecomposePath("/usr/bin/tool.sh", nullptr, nullptr, &extension);
    EXPECT_EQ(take(extension), "sh");
}

TEST(PathDecomposition, ResultsAreCopiesTheCallerOwns)
{
    char path[] = "d/n.e";
    String directory, name, extension;
    fnamDecomposePath(path, &directory, &name, &extension);
    strcpy(path, "X/Y.Z");
    EXPECT_EQ(take(directory), "d");
    EXPECT_EQ(take(name), "n");
    EXPECT_EQ(take(extension), "e");
}

TEST(PathSplitting, AtTheLastSlash)
{
    String directory = (String)"poison", file = (String)"poison";
    fnamSplitPath("/opt/bin/tool.x", &directory, &file);
    EXPECT_EQ(take(directory), "/opt/bin");
    EXPECT_EQ(take(file), "tool.x");

    fnamSplitPath("tool.x", &directory, &file);
    EXPECT_EQ(take(directory), std::nullopt);
    EXPECT_EQ(take(file), "tool.x");

    fnamSplitPath("dir/", &directory, &file);
    EXPECT_EQ(take(directory), "dir");
    EXPECT_EQ(take(file), "");

    fnamSplitPath("/x", &directory, nullptr);
    EXPECT_EQ(take(directory), "");
}

/* ---- Paths put together ---- */

TEST(PathComposition, JoinsWithOneSlashAndOneDot)
{
    EXPECT_EQ(compose("dir//", "f", "o"), "dir/f.o");
    EXPECT_EQ(compose("dir", "f", "o"), "dir/f.o");
    EXPECT_EQ(compose("/", "f", nullptr), "/f");
    EXPECT_EQ(compose("///", "f", nullptr), "/f");
    EXPECT_EQ(compose("a//b", "f", nullptr), "a//b/f");
}

TEST(PathComposition, EmptyPartsAddNothing)
{
    EXPECT_EQ(compose(nullptr, "f", ""), "f");
    EXPECT_EQ(compose("", "f", nullptr), "f");
    EXPECT_EQ(compose(nullptr, "f", "c"), "f.c");
    EXPECT_EQ(compose("d", "", "c"), "d/.c");
}

TEST(PathComposition, UndoesDecomposition)
{
    for (cString path : { "/opt/bin/lumcc-extract", "./x.tool", "dir/a.b.c", "file.o" }) {
        Decomposed d = decompose(path);
        EXPECT_EQ(compose(d.directory ? d.directory->c_str() : nullptr, d.name->c_str(),
                          d.extension ? d.extension->c_str() : nullptr),
                  path);
    }
}

/* ---- Shared-library names ---- */

TEST(SharedLibraryNames, VersionAfterSo)
{
    Decomposed z = decomposeLibrary("/usr/lib/libz.so.1.2.11");
    EXPECT_EQ(z.directory, "/usr/lib");
    EXPECT_EQ(z.name, "z");
    EXPECT_EQ(z.extension, "1.2.11");

    Decomposed one = decomposeLibrary("libc.so.6");
    EXPECT_EQ(one.directory, std::nullopt);
    EXPECT_EQ(one.name, "c");
    EXPECT_EQ(one.extension, "6");
}

TEST(SharedLibraryNames, VersionBeforeSuffix)
{
    Decomposed foo = decomposeLibrary("libfoo-2.5.so");
    EXPECT_EQ(foo.directory, std::nullopt);
    EXPECT_EQ(foo.name, "foo");
    EXPECT_EQ(foo.extension, "2.5");

    Decomposed dylib = decomposeLibrary("lib/libfoo.1.2.dylib");
    EXPECT_EQ(dylib.directory, "lib");
    EXPECT_EQ(dylib.name, "foo");
    EXPECT_EQ(dylib.extension, "1.2");
}

TEST(SharedLibraryNames, VersionAfterDylib)
{
    Decomposed d = decomposeLibrary("libgl.dylib.3");
    EXPECT_EQ(d.name, "gl");
    EXPECT_EQ(d.extension, "3");
}

TEST(SharedLibraryNames, NoVersion)
{
    Decomposed bar = decomposeLibrary("libbar.dylib");
    EXPECT_EQ(bar.name, "bar");
    EXPECT_EQ(bar.extension, std::nullopt);

    Decomposed plain = decomposeLibrary("/l/libplain.so");
    EXPECT_EQ(plain.directory, "/l");
    EXPECT_EQ(plain.name, "plain");
    EXPECT_EQ(plain.extension, std::nullopt);

    Decomposed noLib = decomposeLibrary("tool.so");
    EXPECT_EQ(noLib.name, "tool");
}

TEST(SharedLibraryNames, DigitsOfANameWithSoVersionStayInTheName)
{
    Decomposed bz = decomposeLibrary("libbz2.so.1.0");
    EXPECT_EQ(bz.name, "bz2");
    EXPECT_EQ(bz.extension, "1.0");
}

TEST(SharedLibraryNames, OtherExtensionsAreRejoined)
{
    Decomposed a = decomposeLibrary("libx.a");
    EXPECT_EQ(a.name, "x.a");
    EXPECT_EQ(a.extension, std::nullopt);

    Decomposed dotted = decomposeLibrary("libq.");
    EXPECT_EQ(dotted.name, "q");
    EXPECT_EQ(dotted.extension, std::nullopt);
}

TEST(SharedLibraryNames, OutsAreClearedEvenWithoutPath)
{
    Decomposed none = decomposeLibrary(nullptr);
    EXPECT_EQ(none.directory, std::nullopt);
    EXPECT_EQ(none.name, std::nullopt);
    EXPECT_EQ(none.extension, std::nullopt);

    String version = (String)"poison";
    fnamDecomposeSharedLibraryName("libz.so.1", nullptr, nullptr, &version);
    EXPECT_EQ(take(version), "1");
}

/* ---- What a path names ---- */

TEST(PathKinds, AbsolutePaths)
{
    EXPECT_TRUE(fnamIsAbsolutePath("/"));
    EXPECT_TRUE(fnamIsAbsolutePath("/usr"));
    EXPECT_TRUE(fnamIsAbsolutePath(""));
    EXPECT_FALSE(fnamIsAbsolutePath("usr/bin"));
    EXPECT_FALSE(fnamIsAbsolutePath("./x"));
}

TEST(PathKinds, FilesAndDirectories)
{
    TempTree tree;
    std::string file = tree.file("plain.txt");
    std::string directory = tree.dir("sub");
    std::string missing = tree.path("missing");

    EXPECT_TRUE(fnamFileExists(file.c_str()));
    EXPECT_FALSE(fnamFileExists(directory.c_str()));
    EXPECT_FALSE(fnamFileExists(missing.c_str()));
    EXPECT_TRUE(fnamFileExists("/dev/null"));

    EXPECT_TRUE(fnamIsDirectory(directory.c_str()));
    EXPECT_FALSE(fnamIsDirectory(file.c_str()));
    EXPECT_FALSE(fnamIsDirectory(missing.c_str()));
}

TEST(PathKinds, SymbolicLinksAreFollowed)
{
    TempTree tree;
    std::string file = tree.file("target.txt");
    std::string directory = tree.dir("targetdir");
    std::string toFile = tree.path("link-file"), toDir = tree.path("link-dir"),
                dangling = tree.path("link-dangling");
    ASSERT_EQ(symlink(file.c_str(), toFile.c_str()), 0);
    ASSERT_EQ(symlink(directory.c_str(), toDir.c_str()), 0);
    ASSERT_EQ(symlink(tree.path("nowhere").c_str(), dangling.c_str()), 0);

    EXPECT_TRUE(fnamFileExists(toFile.c_str()));
    EXPECT_FALSE(fnamFileExists(toDir.c_str()));
    EXPECT_TRUE(fnamIsDirectory(toDir.c_str()));
    EXPECT_FALSE(fnamFileExists(dangling.c_str()));
}

TEST(PathKinds, EquivalentMeansSameFile)
{
    TempTree tree;
    std::string file = tree.file("a.txt");
    std::string other = tree.file("b.txt");
    std::string hard = tree.path("hard.txt"), soft = tree.path("soft.txt");
    ASSERT_EQ(link(file.c_str(), hard.c_str()), 0);
    ASSERT_EQ(symlink(file.c_str(), soft.c_str()), 0);
    std::string roundabout = tree.root() + "/./../" +
                             std::filesystem::path(tree.root()).filename().string() + "/a.txt";

    EXPECT_TRUE(fnamEquivalent(file.c_str(), hard.c_str()));
    EXPECT_TRUE(fnamEquivalent(file.c_str(), soft.c_str()));
    EXPECT_TRUE(fnamEquivalent(file.c_str(), roundabout.c_str()));
    EXPECT_FALSE(fnamEquivalent(file.c_str(), other.c_str()));
    EXPECT_FALSE(fnamEquivalent(file.c_str(), tree.path("missing").c_str()));
    EXPECT_FALSE(fnamEquivalent(tree.path("missing").c_str(), tree.path("missing").c_str()));
}

/* ---- Search paths ---- */

std::vector<std::string> directoriesOf(fnamSearchPath searchPath)
{
    std::vector<std::string> result;
    fnamTraverse(
        searchPath,
        [](String directory, Pointer data) {
            static_cast<std::vector<std::string> *>(data)->push_back(directory);
        },
        &result);
    return result;
}

std::string printed(fnamSearchPath searchPath)
{
    char *buffer = nullptr;
    size_t size = 0;
    FILE *stream = open_memstream(&buffer, &size);
    fnamPrint(stream, searchPath);
    fclose(stream);
    std::string result(buffer, size);
    free(buffer);
    return result;
}

TEST(SearchPathBuilding, ConvertKeepsNonEmptyPieces)
{
    fnamSearchPath searchPath = fnamConvertSearchPath("/a::/b:", ':');
    EXPECT_THAT(directoriesOf(searchPath), ElementsAre("/a", "/b"));
    EXPECT_EQ(printed(searchPath), "/a:/b");
    fnamDelete(searchPath, True);

    searchPath = fnamConvertSearchPath(";;x;;", ';');
    EXPECT_THAT(directoriesOf(searchPath), ElementsAre("x"));
    fnamDelete(searchPath, True);

    searchPath = fnamConvertSearchPath("", ':');
    EXPECT_THAT(directoriesOf(searchPath), IsEmpty());
    EXPECT_EQ(printed(searchPath), "");
    fnamDelete(searchPath, True);

    EXPECT_EQ(fnamConvertSearchPath(nullptr, ':'), nullptr);
}

TEST(SearchPathBuilding, ConvertCopiesThePieces)
{
    char text[] = "one:two";
    fnamSearchPath searchPath = fnamConvertSearchPath(text, ':');
    EXPECT_STREQ(text, "one:two");
    text[0] = 'X';
    EXPECT_THAT(directoriesOf(searchPath), ElementsAre("one", "two"));
    fnamDelete(searchPath, True);
}

TEST(SearchPathBuilding, AppendAndPrependKeepTheOrder)
{
    char first[] = "first", second[] = "second", third[] = "third", fourth[] = "fourth";
    fnamSearchPath searchPath = fnamCreate();
    // Prepending to an empty path must leave appending working behind it.
    fnamAddDirToFront(searchPath, second);
    fnamAddDir(searchPath, third);
    fnamAddDirToFront(searchPath, first);
    fnamAddDir(searchPath, fourth);
    EXPECT_THAT(directoriesOf(searchPath), ElementsAre("first", "second", "third", "fourth"));
    EXPECT_EQ(printed(searchPath), "first:second:third:fourth");
    fnamDelete(searchPath, False);
}

TEST(SearchPathBuilding, DirectoriesAreStoredNotCopied)
{
    char directory[] = "dir";
    fnamSearchPath searchPath = fnamCreate();
    fnamAddDir(searchPath, directory);
    directory[0] = 'D';
    EXPECT_THAT(directoriesOf(searchPath), ElementsAre("Dir"));
    fnamDelete(searchPath, False);
}

TEST(SearchPathBuilding, SwappedFormsServeAsTraversalFunctions)
{
    fnamSearchPath source = fnamConvertSearchPath("a:b:c", ':');
    fnamSearchPath appended = fnamCreate();
    fnamSearchPath prepended = fnamCreate();
    fnamTraverse(source, fnamAddToDir, appended);
    fnamTraverse(source, fnamAddToDirToFront, prepended);
    EXPECT_THAT(directoriesOf(appended), ElementsAre("a", "b", "c"));
    EXPECT_THAT(directoriesOf(prepended), ElementsAre("c", "b", "a"));
    fnamDelete(prepended, False);
    fnamDelete(appended, False);
    fnamDelete(source, True);
}

TEST(SearchPathBuilding, NullSearchPathIsHarmless)
{
    fnamDelete(nullptr, True);
    EXPECT_THAT(directoriesOf(nullptr), IsEmpty());
    EXPECT_EQ(printed(nullptr), "");
}

TEST(SearchPathBuildingDeathTest, AddingToNoSearchPathIsAnAssertion)
{
    char directory[] = "d";
    EXPECT_EXIT(fnamAddDir(nullptr, directory), ::testing::ExitedWithCode(1),
                "Assertion failure at .*stdFileNamesSearch.cpp, line [0-9]+: "
                "Adding a directory to a null search path");
    EXPECT_EXIT(fnamAddDirToFront(nullptr, directory), ::testing::ExitedWithCode(1),
                "Assertion failure at .*: Adding a directory to a null search path");
}

/* ---- Locating files ---- */

class FileLocation : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree_.file("first/common.txt");
        tree_.file("second/common.txt");
        tree_.file("second/only2.txt");
        tree_.file("second/sub/deep.txt");
        tree_.file("first/sub/deep.txt");
        tree_.file("sub/deep.txt");
        tree_.file("local.txt");
        tree_.dir("empty");
        searchPath_ = fnamCreate();
        first_ = tree_.path("first");
        second_ = tree_.path("second");
        fnamAddDir(searchPath_, first_.data());
        fnamAddDir(searchPath_, second_.data());
    }
    void TearDown() override { fnamDelete(searchPath_, False); }

    Text locate(cString name, Bool searchRelative = False, Bool retryBareName = False,
                fnamRejectFun reject = nullptr, Pointer data = nullptr)
    {
        return take(fnamLocateFile(searchPath_, name, searchRelative, retryBareName, reject, data));
    }

    TempTree tree_;
    fnamSearchPath searchPath_ = nullptr;
    std::string first_, second_;
};

TEST_F(FileLocation, FirstDirectoryInOrderWins)
{
    EXPECT_EQ(locate("common.txt"), first_ + "/common.txt");
    EXPECT_EQ(locate("only2.txt"), second_ + "/only2.txt");
    EXPECT_EQ(locate("absent.txt"), std::nullopt);
}

TEST_F(FileLocation, CandidatesAreComposedWithOneSlash)
{
    std::string slashed = second_ + "//";
    fnamSearchPath searchPath = fnamCreate();
    fnamAddDir(searchPath, slashed.data());
    Text found = take(fnamLocateFile(searchPath, "only2.txt", False, False, nullptr, nullptr));
    EXPECT_EQ(found, second_ + "/only2.txt");
    fnamDelete(searchPath, False);
}

TEST_F(FileLocation, RejectedCandidatesArePassedOver)
{
    std::vector<std::string> offered;
    auto rejectFirst = [](cString candidate, Pointer data) -> Bool {
        static_cast<std::vector<std::string> *>(data)->push_back(candidate);
        return strstr(candidate, "/first/") != nullptr;
    };
    EXPECT_EQ(locate("common.txt", False, False, rejectFirst, &offered), second_ + "/common.txt");
    EXPECT_THAT(offered, ElementsAre(first_ + "/common.txt", second_ + "/common.txt"));

    offered.clear();
    auto rejectAll = [](cString candidate, Pointer data) -> Bool {
        static_cast<std::vector<std::string> *>(data)->push_back(candidate);
        return True;
    };
    EXPECT_EQ(locate("common.txt", False, False, rejectAll, &offered), std::nullopt);
    EXPECT_EQ(offered.size(), 2u);
}

TEST_F(FileLocation, RelativeDirectoryPartOnlySearchedWhenAsked)
{
    InDirectory inRoot(tree_.root());
    EXPECT_EQ(locate("sub/deep.txt", True), first_ + "/sub/deep.txt");
    // Without searchRelative the name stands for itself, relative to here.
    EXPECT_EQ(locate("sub/deep.txt", False), "sub/deep.txt");
    EXPECT_EQ(locate("sub/none.txt", False), std::nullopt);
}

TEST_F(FileLocation, AbsoluteNamesStandForThemselves)
{
    std::string local = tree_.path("local.txt");
    EXPECT_EQ(locate(local.c_str(), True), local);
    EXPECT_EQ(locate(tree_.path("nothing.txt").c_str(), True), std::nullopt);
}

TEST_F(FileLocation, RetryWithTheBareName)
{
    std::string elsewhere = tree_.path("elsewhere/only2.txt");
    EXPECT_EQ(locate(elsewhere.c_str(), False, False), std::nullopt);
    EXPECT_EQ(locate(elsewhere.c_str(), False, True), second_ + "/only2.txt");
    EXPECT_EQ(locate("nowhere/absent.txt", True, True), std::nullopt);
}

TEST_F(FileLocation, EmptyDirectoryEntryMeansTheNameItself)
{
    InDirectory inRoot(tree_.root());
    char empty[] = "";
    fnamSearchPath searchPath = fnamCreate();
    fnamAddDir(searchPath, empty);
    Text found = take(fnamLocateFile(searchPath, "local.txt", False, False, nullptr, nullptr));
    EXPECT_EQ(found, "local.txt");
    fnamDelete(searchPath, False);
}

TEST_F(FileLocation, WithoutSearchPathTheNameStandsAlone)
{
    InDirectory inRoot(tree_.root());
    EXPECT_EQ(take(fnamLocateFile(nullptr, "local.txt", True, True, nullptr, nullptr)),
              "local.txt");
    // No retry without a search path.
    EXPECT_EQ(take(fnamLocateFile(nullptr, "elsewhere/local.txt", True, True, nullptr, nullptr)),
              std::nullopt);
}

TEST_F(FileLocation, EmptyNameFindsNothing)
{
    EXPECT_EQ(locate(""), std::nullopt);
    EXPECT_EQ(locate(nullptr), std::nullopt);
}

class ExecutableLocation : public ::testing::Test {
protected:
    TempTree tree_;
};

TEST_F(ExecutableLocation, AlongPathSkippingWhatCannotRun)
{
    tree_.dir("a/runme");                // a directory of that name
    tree_.file("b/runme", 0644);         // a file without execute permission
    tree_.file("c/runme", 0755);         // the executable
    tree_.file("d/runme", 0755);         // a later one
    std::string path = tree_.path("a") + "::" + tree_.path("b") + ":" + tree_.path("c") + ":" +
                       tree_.path("d");
    ScopedEnv env("PATH", path.c_str());
    EXPECT_EQ(take(fnamLocateExecutable("runme")), tree_.path("c/runme"));
    EXPECT_EQ(take(fnamLocateExecutable("absent")), std::nullopt);
}

TEST_F(ExecutableLocation, FindsARealProgram)
{
    ScopedEnv env("PATH", "/nonexistent:/bin:/usr/bin");
    Text found = take(fnamLocateExecutable("sh"));
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(fnamEquivalent(found->c_str(), "/bin/sh") || fnamEquivalent(found->c_str(), "/usr/bin/sh"));
}

TEST_F(ExecutableLocation, NoPathNoSearch)
{
    tree_.file("runme", 0755);
    InDirectory inTree(tree_.root());
    ScopedEnv env("PATH", nullptr);
    EXPECT_EQ(take(fnamLocateExecutable("runme")), std::nullopt);
}

/* ---- Walking a directory ---- */

struct Walk {
    std::vector<std::string> entries;
    Bool copies = False;
};

std::vector<std::string> walk(cString directory, cString pattern, Bool copyNames, Bool fullPaths)
{
    Walk result;
    result.copies = copyNames;
    fnamTraverseDirectory(
        directory, pattern, copyNames, fullPaths,
        [](String entry, Pointer data) {
            Walk *state = static_cast<Walk *>(data);
            state->entries.push_back(entry);
            if (state->copies) memspFree(entry); // the callee owns copies
        },
        &result);
    return result.entries;
}

class DirectoryWalk : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree_.file("a.c");
        tree_.file("b.c");
        tree_.file("x.h");
        tree_.file(".hidden.c");
        tree_.file(".profile");
        tree_.dir("sub.c");
        tree_.file("sub.c/inner.c");
    }
    TempTree tree_;
};

TEST_F(DirectoryWalk, EveryVisibleEntryOnce)
{
    EXPECT_THAT(walk(tree_.root().c_str(), nullptr, False, False),
                UnorderedElementsAre("a.c", "b.c", "x.h", "sub.c"));
    EXPECT_THAT(walk(tree_.root().c_str(), nullptr, True, False),
                UnorderedElementsAre("a.c", "b.c", "x.h", "sub.c"));
}

TEST_F(DirectoryWalk, PatternSelects)
{
    EXPECT_THAT(walk(tree_.root().c_str(), "*.c", False, False),
                UnorderedElementsAre("a.c", "b.c", "sub.c"));
    EXPECT_THAT(walk(tree_.root().c_str(), "?.?", False, False),
                UnorderedElementsAre("a.c", "b.c", "x.h"));
    EXPECT_THAT(walk(tree_.root().c_str(), "*.o", False, False), IsEmpty());
}

TEST_F(DirectoryWalk, HiddenEntriesNeverReported)
{
    EXPECT_THAT(walk(tree_.root().c_str(), ".*", False, False), IsEmpty());
    EXPECT_THAT(walk(tree_.root().c_str(), "*", True, True),
                UnorderedElementsAre(tree_.path("a.c"), tree_.path("b.c"), tree_.path("x.h"),
                                     tree_.path("sub.c")));
}

TEST_F(DirectoryWalk, FullPathsJoinWithOneSlash)
{
    std::string slashed = tree_.root() + "//";
    EXPECT_THAT(walk(slashed.c_str(), "*.c", False, True),
                UnorderedElementsAre(tree_.path("a.c"), tree_.path("b.c"), tree_.path("sub.c")));
    EXPECT_THAT(walk(slashed.c_str(), "a.c", True, True), ElementsAre(tree_.path("a.c")));
}

TEST_F(DirectoryWalk, RootKeepsItsSlash)
{
    const std::string &root = tree_.root();
    ASSERT_EQ(root[0], '/');
    std::string top = root.substr(1, root.find('/', 1) - 1);
    ASSERT_FALSE(top.empty());
    EXPECT_THAT(walk("/", top.c_str(), False, True), ElementsAre("/" + top));
}

TEST_F(DirectoryWalk, NullDirectoryIsTheCurrentOne)
{
    InDirectory inTree(tree_.root());
    EXPECT_THAT(walk(nullptr, "*.h", False, False), ElementsAre("x.h"));
    EXPECT_THAT(walk(nullptr, "*.h", False, True), ElementsAre("./x.h"));
}

TEST_F(DirectoryWalk, UnreadableDirectoryGivesNothing)
{
    EXPECT_THAT(walk(tree_.path("missing").c_str(), nullptr, False, False), IsEmpty());
    EXPECT_THAT(walk(tree_.path("a.c").c_str(), nullptr, True, True), IsEmpty());
    EXPECT_THAT(walk("", nullptr, False, False), IsEmpty());
}

/* ---- Wildcards ---- */

/* The matching rules written as the plain recursion they describe. */
bool referenceMatch(const char *name, const char *pattern)
{
    if (!*pattern) return !*name;
    if (!*name) {
        while (*pattern == '*') pattern++;
        return !*pattern;
    }
    if (*pattern == '?' || *pattern == *name) return referenceMatch(name + 1, pattern + 1);
    if (*pattern == '*') {
        const char *rest = pattern;
        while (*rest == '*') rest++;
        return referenceMatch(name, rest) || referenceMatch(name + 1, pattern);
    }
    return false;
}

TEST(WildcardMatch, Examples)
{
    EXPECT_TRUE(wcMatch("a.c", "*.c"));
    EXPECT_TRUE(wcMatch(".c", "*.c"));
    EXPECT_FALSE(wcMatch("a.h", "*.c"));
    EXPECT_TRUE(wcMatch("abc", "a?c"));
    EXPECT_FALSE(wcMatch("ac", "a?c"));
    EXPECT_TRUE(wcMatch("abc", "abc"));
    EXPECT_FALSE(wcMatch("abc", "ab"));
    EXPECT_FALSE(wcMatch("ab", "abc"));
    EXPECT_TRUE(wcMatch("", ""));
    EXPECT_TRUE(wcMatch("", "***"));
    EXPECT_FALSE(wcMatch("", "?"));
    EXPECT_TRUE(wcMatch("anything", "*"));
    EXPECT_TRUE(wcMatch("libfoo.so.1", "lib*.so*"));
    EXPECT_TRUE(wcMatch("mississippi", "*s*s*p?"));
    EXPECT_FALSE(wcMatch("mississippi", "*s*s*p"));
}

TEST(WildcardMatch, StarFacingStarIsLiteral)
{
    EXPECT_FALSE(wcMatch("*ba", "*a"));
    EXPECT_TRUE(wcMatch("*a", "*a"));
    EXPECT_TRUE(wcMatch("*", "*"));
    EXPECT_FALSE(wcMatch("*x", "*"));
    EXPECT_TRUE(wcMatch("x*b", "*b"));
    EXPECT_FALSE(wcMatch("x*ab", "*b"));
    EXPECT_TRUE(wcMatch("*x", "?x"));
}

TEST(WildcardMatch, AgreesWithTheRulesOnEverySmallCase)
{
    // Every name up to 6 characters over {a, b, *} against every pattern up
    // to 5 characters over {a, b, *, ?}.
    auto all = [](const std::string &alphabet, size_t maxLength) {
        std::vector<std::string> words { "" };
        for (size_t at = 0; at < words.size(); at++)
            if (words[at].size() < maxLength)
                for (char c : alphabet) words.push_back(words[at] + c);
        return words;
    };
    std::vector<std::string> names = all("ab*", 6), patterns = all("ab*?", 5);
    size_t disagreements = 0, matches = 0;
    for (const std::string &pattern : patterns)
        for (const std::string &name : names) {
            bool expected = referenceMatch(name.c_str(), pattern.c_str());
            matches += expected;
            if ((wcMatch(name.c_str(), pattern.c_str()) != 0) != expected && disagreements++ < 10)
                ADD_FAILURE() << "name \"" << name << "\" pattern \"" << pattern << "\"";
        }
    EXPECT_EQ(disagreements, 0u);
    EXPECT_GT(matches, 0u);
}

TEST(WildcardMatch, LongNamesAndManyStars)
{
    // Plain recursion would need exponential time for the many stars and a
    // stack as deep as the name for the long ones.
    std::string name(1 << 14, 'a');
    std::string manyStars;
    for (int i = 0; i < 40; i++) manyStars += "*a";
    EXPECT_TRUE(wcMatch(name.c_str(), manyStars.c_str()));
    EXPECT_FALSE(wcMatch(name.c_str(), (manyStars + "*b").c_str()));
    EXPECT_TRUE(wcMatch((name + "b").c_str(), (manyStars + "*b").c_str()));

    std::string longName(1 << 20, 'a');
    EXPECT_TRUE(wcMatch(longName.c_str(), std::string(5000, '*').c_str()));
    EXPECT_TRUE(wcMatch(longName.c_str(), "*a"));
    EXPECT_FALSE(wcMatch(longName.c_str(), "*b"));
    EXPECT_TRUE(wcMatch(longName.c_str(), std::string(1 << 20, '?').c_str()));
    EXPECT_FALSE(wcMatch(longName.c_str(), std::string(1 << 20, '?').append("?").c_str()));

    std::string stars(1 << 16, '*');
    EXPECT_TRUE(wcMatch(stars.c_str(), stars.c_str()));
    EXPECT_FALSE(wcMatch((stars + "x").c_str(), "*"));
}

TEST(WildcardMatch, NullTextsAreEmpty)
{
    EXPECT_TRUE(wcMatch(nullptr, nullptr));
    EXPECT_TRUE(wcMatch(nullptr, "*"));
    EXPECT_FALSE(wcMatch("a", nullptr));
}

} // namespace
