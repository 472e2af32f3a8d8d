// Source structures: include trees built from real preprocessor output,
// positions with their order, hash and equality, messages recorded per
// file, listing lines, and deletion.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "childProcess.h"
#include "layerState.h"
#include "tempDir.h"
#include "stdList.h"
#include "stdMap.h"
#include "stdMessages.h"
#include "stdMessagesLocal.h"
#include "stdSet.h"
#include "stdThreads.h"

namespace {

using testsupport::ChildRun;
using testsupport::readAll;
using testsupport::runChild;
using testsupport::TempDir;

msgMessageRec errorRec = { msgError, False, False, "%s" };
msgMessage errorMsg = &errorRec;

const uInt32 kListAndPrint = msgPrintMessages | msgPrintSourceLine;

std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string joined(const std::vector<std::string> &lines, bool lastNewline = true)
{
    std::string text;
    for (const std::string &line : lines) text += line + "\n";
    return lastNewline ? text : text.substr(0, text.size() - 1);
}

// The log sink writes to a temporary file; take() gives what came since the last take.
class LogCapture {
public:
    LogCapture() : file_(tmpfile()) { stdSetLogFile(file_); }
    ~LogCapture() { stdSetLogFile(NULL); fclose(file_); }
    std::string take()
    {
        std::string all = readAll(file_);   // leaves the stream at its end
        std::string fresh = all.substr(taken_);
        taken_ = all.size();
        return fresh;
    }
private:
    FILE *file_;
    size_t taken_ = 0;
};

// Every test starts from a clean thread context with tool name "t".
class Source : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = testsupport::saveLayerState();
        testsupport::clearLayerState();
        msgSetToolName("t");
    }
    void TearDown() override { testsupport::restoreLayerState(saved_); }
private:
    testsupport::LayerState saved_;
};

// ---------------------------------------------------------------------------
// A small source tree, its real preprocessor output, and a reader of it.
// Every text line of the tree says where it stands: "int a_3;" is line 3
// of a.h. b.h moves itself to gen.y with a #line directive; a.h comes twice.

struct SourceTree {
    TempDir dir;
    std::map<std::string, std::vector<std::string>> files;   // name -> lines

    SourceTree()
    {
        std::vector<std::string> mainLines = { "int main_1;", "#include \"a.h\"", "int main_3;" };
        mainLines.resize(14);   // blank lines 4 to 14: the preprocessor resynchronises with a marker
        for (const char *line : { "int main_15;", "#include \"b.h\"", "int main_17;", "#include \"a.h\"", "int main_19;" }) {
            mainLines.push_back(line);
        }
        add("main.c", mainLines);
        add("a.h", { "int a_1;", "#include \"c.h\"", "int a_3;" });
        add("b.h", { "int b_1;", "#line 40 \"" + dir.path("gen.y") + "\"", "int gen_40;", "int gen_41;" });
        add("c.h", { "int c_1;" });
        std::vector<std::string> gen;
        for (int i = 1; i <= 45; i++) gen.push_back("gen.y line " + std::to_string(i));
        add("gen.y", gen);
    }
    void add(const std::string &name, const std::vector<std::string> &lines)
    {
        files[name] = lines;
        dir.write(name, joined(lines));
    }
    std::string path(const std::string &name) const { return dir.path(name); }
    std::string mainPath() const { return path("main.c"); }

    // gcc -E of main.c, markers and all.
    std::string preprocessed() const
    {
        std::string command = "gcc -E '" + mainPath() + "'";
        FILE *pipe = popen(command.c_str(), "r");
        std::string text;
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
        EXPECT_EQ(pclose(pipe), 0) << command;
        return text;
    }

    // The file and line a text line of the tree names: "int a_3;" -> a.h, 3.
    std::pair<std::string, uInt32> origin(const std::string &text) const
    {
        size_t underscore = text.rfind('_');
        std::string tag = text.substr(4, underscore - 4);
        std::string name = tag == "main" ? "main.c" : tag == "gen" ? "gen.y" : tag + ".h";
        return { name, (uInt32)atoi(text.c_str() + underscore + 1) };
    }
    // What the listing shows for a position in a file of the tree.
    std::string sourceLine(const std::string &name, uInt32 line) const
    {
        return "# " + files.at(name).at(line - 1) + "\n";
    }
};

struct TextLine {
    msgSourcePos pos;
    std::string text;
};

// Reads preprocessed text the way a compiler's front end would: a marker
// "# N "file" flags" updates the structure, every other line pulls the
// position of its line.
std::vector<TextLine> feed(msgSourceStructure sourceStruct, const std::string &text)
{
    std::vector<TextLine> textLines;
    uInt32 next = 1;
    for (const std::string &line : linesOf(text)) {
        if (line.size() > 2 && line[0] == '#' && line[1] == ' ' && isdigit((unsigned char)line[2])) {
            uInt32 lineNo = (uInt32)strtoul(line.c_str() + 2, NULL, 10);
            size_t open = line.find('"');
            size_t close = line.find('"', open + 1);
            std::string name = line.substr(open + 1, close - open - 1);
            std::string flags = line.substr(close + 1);
            msgCppUpdateSourceStruct(sourceStruct, next, name.c_str(), lineNo, flags.c_str());
            next = lineNo;
        } else {
            textLines.push_back({ msgPullSourcePos(sourceStruct, next), line });
            next++;
        }
    }
    return textLines;
}

// The tree below a node, named relative to the source tree, each child with
// the line that included it; nodes from outside the tree (the compiler's
// own headers) are left out. Checks the depth and parent links on the way.
std::string describe(msgSourceFileNode node, const std::string &dir)
{
    std::string text = std::string(node->fileName).substr(dir.size() + 1);
    std::string inner;
    for (stdList cell = node->children; cell != NULL; cell = cell->next) {
        msgSourceFileNode child = (msgSourceFileNode)cell->element;
        EXPECT_EQ(child->parent, node);
        EXPECT_EQ(child->depth, node->depth + 1);
        if (strncmp(child->fileName, dir.c_str(), dir.size()) != 0) continue;
        inner += (inner.empty() ? "" : " ") + describe(child, dir) + "@" + std::to_string(child->includeLine);
    }
    return inner.empty() ? text : text + "(" + inner + ")";
}

// ---------------------------------------------------------------------------

// The source tree fed through a structure, deleted after the test.
class IncludeTree : public Source {
protected:
    void SetUp() override
    {
        Source::SetUp();
        s = msgCreateSourceStructure(tree.mainPath().c_str());
        lines = feed(s, tree.preprocessed());
        ASSERT_EQ(lines.size(), 14u);
    }
    void TearDown() override
    {
        msgDeleteSourceStructure(s);
        Source::TearDown();
    }
    SourceTree tree;
    msgSourceStructure s = NULL;
    std::vector<TextLine> lines;
};

TEST_F(IncludeTree, FollowsTheMarkersOfRealPreprocessorOutput)
{
    for (const TextLine &line : lines) {
        auto [name, lineNo] = tree.origin(line.text);
        EXPECT_EQ(line.pos->node->fileName, tree.path(name)) << line.text;
        EXPECT_EQ(line.pos->lineNo, lineNo) << line.text;
        EXPECT_EQ(line.pos->node->sourceStruct, s);
    }
    EXPECT_EQ(s->curNode, s->root);
    EXPECT_EQ(s->root->depth, 0u);
    EXPECT_EQ(s->root->parent, nullptr);
    EXPECT_EQ(describe(s->root, tree.dir.root()), "main.c(a.h(c.h@2)@18 gen.y@16 a.h(c.h@2)@2)");

    // int b_1 came before the #line: it keeps b.h, at the place of the node that became gen.y.
    msgSourceFileNode b = lines[6].pos->node;
    EXPECT_EQ(b->fileName, tree.path("b.h"));
    EXPECT_EQ(b->parent, s->root);
    EXPECT_EQ(b->includeLine, 16u);
    EXPECT_EQ(b->depth, 1u);
}

TEST_F(IncludeTree, PositionsOrderAsTheExpandedTextAndHashByFileAndLine)
{
    stdSet distinct = setCreate(stdSourcePosHash, stdSourcePosEqual, 4);
    for (size_t i = 0; i < lines.size(); i++) {
        EXPECT_TRUE(msgSourcePosLessEq(lines[i].pos, lines[i].pos));
        for (size_t j = i + 1; j < lines.size(); j++) {
            EXPECT_TRUE(msgSourcePosLessEq(lines[i].pos, lines[j].pos)) << lines[i].text << " " << lines[j].text;
            EXPECT_FALSE(msgSourcePosLessEq(lines[j].pos, lines[i].pos)) << lines[j].text << " " << lines[i].text;
            bool same = tree.origin(lines[i].text) == tree.origin(lines[j].text);
            EXPECT_EQ((bool)stdSourcePosEqual(lines[i].pos, lines[j].pos), same);
            if (same) {
                EXPECT_EQ(stdSourcePosHash(lines[i].pos), stdSourcePosHash(lines[j].pos));
            }
        }
        setInsert(distinct, lines[i].pos);
    }
    EXPECT_EQ(setSize(distinct), 11u);   // a.h and c.h came twice
    setDelete(distinct);

    // The same line of the same file is at the same place both ways; a
    // position in an included file stands at its include directive.
    msgSourcePos includeDirective = msgPullSourcePos(s, 2);
    EXPECT_TRUE(msgSourcePosLessEq(lines[1].pos, includeDirective));   // a_1
    EXPECT_TRUE(msgSourcePosLessEq(includeDirective, lines[1].pos));
    EXPECT_TRUE(msgSourcePosLessEq(lines[2].pos, includeDirective));   // c_1, two levels down
    EXPECT_TRUE(msgSourcePosLessEq(includeDirective, lines[2].pos));

    // Sorting shuffled positions gives the text order back.
    std::vector<TextLine> shuffled = lines;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    stdList list = NULL;
    for (const TextLine &line : shuffled) listAddTo(line.pos, &list);
    listSort(&list, msgSourcePosLessEq);
    size_t index = 0;
    for (stdList cell = list; cell != NULL; cell = cell->next, index++) {
        EXPECT_EQ(cell->element, lines[index].pos) << index;
    }
    listDelete(list);
}

TEST_F(IncludeTree, RecordedMessagesStayWithTheirFileNewestFirst)
{
    msgSetSourceStructureFlags(s, msgRecordMessages);
    LogCapture log;
    for (const TextLine &line : lines) msgReportWithPos(errorMsg, line.pos, line.text.c_str());
    EXPECT_EQ(log.take(), "");
    EXPECT_TRUE(stdGetThreadContext()->errorFlag);

    // Each node of the tree with its messages, newest first.
    std::string recorded;
    std::function<void(msgSourceFileNode)> walk = [&](msgSourceFileNode node) {
        std::string name = node->fileName;
        if (name.compare(0, tree.dir.root().size(), tree.dir.root()) != 0) return;   // the compiler's own
        recorded += name.substr(name.rfind('/') + 1) + ":";
        for (stdList cell = node->messages; cell != NULL; cell = cell->next) {
            msgRecordedMessage message = (msgRecordedMessage)cell->element;
            EXPECT_EQ(message->message, errorMsg);
            EXPECT_EQ(message->lineNo, tree.origin(message->text).second);
            recorded += std::string(" ") + message->text;
        }
        recorded += "\n";
        for (stdList cell = node->children; cell != NULL; cell = cell->next) walk((msgSourceFileNode)cell->element);
    };
    walk(s->root);
    EXPECT_EQ(recorded,
              "main.c: int main_19; int main_17; int main_15; int main_3; int main_1;\n"
              "a.h: int a_3; int a_1;\n"
              "c.h: int c_1;\n"
              "gen.y: int gen_41; int gen_40; int b_1;\n"   // b_1 stays with the node it was split from
              "a.h: int a_3; int a_1;\n"
              "c.h: int c_1;\n");
}

TEST_F(IncludeTree, ListingPrintsTheSourceLineBeforeEachMessage)
{
    msgSetSourceStructureFlags(s, kListAndPrint);
    LogCapture log;
    std::string expected;
    for (const TextLine &line : lines) {
        msgReportWithPos(errorMsg, line.pos, ("at " + line.text).c_str());
        auto [name, lineNo] = tree.origin(line.text);
        // b_1 lists b.h, where it was written; gen_40 lists line 40 of gen.y, as the #line says.
        expected += tree.sourceLine(name, lineNo) + "t " + tree.path(name) + ", line " + std::to_string(lineNo) +
                    "; error   : at " + line.text + "\n";
    }
    EXPECT_EQ(log.take(), expected);

    // Recording and printing with the listing: the message is kept once, the text without the listing.
    msgSetSourceStructureFlags(s, kListAndPrint | msgRecordMessages);
    msgReportWithPos(errorMsg, lines[0].pos, "kept");
    EXPECT_EQ(log.take(), "# int main_1;\nt " + tree.mainPath() + ", line 1; error   : kept\n");
    ASSERT_EQ(listSize(s->root->messages), 1u);
    EXPECT_STREQ(((msgRecordedMessage)s->root->messages->element)->text, "kept");
}

// ---------------------------------------------------------------------------

using SourceListing = Source;

TEST_F(SourceListing, LinesTheFileDoesNotHaveShowNoListing)
{
    TempDir dir;
    std::vector<std::string> lines;
    for (int i = 1; i <= 25; i++) lines.push_back("line " + std::to_string(i));
    std::string ends = dir.write("ends.c", joined(lines));
    std::string open = dir.write("open.c", joined(lines, false));   // no newline after line 25
    std::string fifo = dir.path("fifo.c");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    mkdir(dir.path("directory.c").c_str(), 0700);

    struct Case { std::string file; uInt32 line; std::string listing; };
    const Case cases[] = {
        { ends, 1, "# line 1\n" },  { ends, 10, "# line 10\n" }, { ends, 11, "# line 11\n" },
        { ends, 20, "# line 20\n" }, { ends, 21, "# line 21\n" }, { ends, 25, "# line 25\n" },
        { open, 25, "# line 25\n" }, { open, 24, "# line 24\n" },
        // Past the end: never another line of the file.
        { ends, 26, "" }, { ends, 30, "" }, { ends, 31, "" }, { ends, 35, "" }, { ends, 100, "" },
        { ends, 123456789, "" }, { open, 26, "" }, { open, 31, "" }, { ends, 0, "" }, { ends, msgNOLINE, "" },
        // Files that cannot be listed: the message alone, and nothing blocks.
        { dir.path("missing.c"), 1, "" }, { dir.path("directory.c"), 1, "" }, { fifo, 1, "" },
    };
    LogCapture log;
    for (const Case &c : cases) {
        msgSourceStructure s = msgCreateSourceStructure(c.file.c_str());
        msgSetSourceStructureFlags(s, kListAndPrint);
        msgReportWithPos(errorMsg, msgPullSourcePos(s, c.line), "x");
        std::string position = c.line == msgNOLINE ? "" : c.file + ", line " + std::to_string(c.line) + "; ";
        EXPECT_EQ(log.take(), c.listing + "t " + position + "error   : x\n") << c.file << ":" << c.line;
        msgDeleteSourceStructure(s);
    }
}

TEST_F(SourceListing, EachLineCostsOneSeekAndAtMostTenReadsOnALongFile)
{
    const uInt32 count = 100000;
    TempDir dir;
    std::vector<std::string> lines;
    for (uInt32 i = 1; i <= count; i++) lines.push_back("source line " + std::to_string(i) + std::string(i % 13, '.'));
    std::string file = dir.write("long.c", joined(lines));
    msgSourceStructure s = msgCreateSourceStructure(file.c_str());
    msgSetSourceStructureFlags(s, kListAndPrint);

    std::vector<uInt32> wanted = { 1, 2, 9, 10, 11, count - 10, count - 9, count - 1, count, count + 1 };
    std::mt19937 random(12);
    for (int i = 0; i < 2000; i++) wanted.push_back(1 + random() % count);
    LogCapture log;
    stdMap index = NULL;
    for (uInt32 line : wanted) {
        uInt64 seeksBefore, readsBefore, seeks, reads;
        msgListingReadCounts(&seeksBefore, &readsBefore);
        msgReportWithPos(errorMsg, msgPullSourcePos(s, line), "x");
        msgListingReadCounts(&seeks, &reads);
        std::string listing = line <= count ? "# " + lines[line - 1] + "\n" : "";
        ASSERT_EQ(log.take(), listing + "t " + file + ", line " + std::to_string(line) + "; error   : x\n");
        EXPECT_EQ(seeks - seeksBefore, 1u) << line;
        EXPECT_EQ(reads - readsBefore, line <= count ? (line - 1) % 10 + 1 : 1u) << line;
        // The index is made once, with every tenth line.
        if (index == NULL) index = s->lineIndex;
        EXPECT_EQ(s->lineIndex, index);
    }
    EXPECT_EQ(mapSize(index), (uInt64)count / 10);
    msgDeleteSourceStructure(s);
}

TEST_F(SourceListing, ARenamedFileIsListedFromItsNewFileAndEarlierLinesFromTheOld)
{
    TempDir dir;
    std::string x = dir.write("x.c", "x 1\nx 2\nx 3\n");
    std::string y = dir.write("y.c", "y 1\ny 2\ny 3\n");
    msgSourceStructure s = msgCreateSourceStructure(x.c_str());
    msgSetSourceStructureFlags(s, kListAndPrint);
    LogCapture log;
    msgSourcePos old = msgPullSourcePos(s, 3);
    msgReportWithPos(errorMsg, old, "a");                   // the index of x.c is open now
    msgCppUpdateSourceStruct(s, 4, y.c_str(), 2, "");
    msgReportWithPos(errorMsg, msgPullSourcePos(s, 3), "b");
    msgReportWithPos(errorMsg, old, "c");
    EXPECT_EQ(log.take(), "# x 3\nt " + x + ", line 3; error   : a\n# y 3\nt " + y + ", line 3; error   : b\n"
                          "# x 3\nt " + x + ", line 3; error   : c\n");
    msgDeleteSourceStructure(s);
}

// ---------------------------------------------------------------------------

using SourcePositions = Source;

TEST_F(SourcePositions, TheCacheGivesBackOnlyThatLineOfThatFile)
{
    msgSourceStructure s = msgCreateSourceStructure("m.c");
    msgSourcePos five = msgPullSourcePos(s, 5);
    EXPECT_EQ(msgPullSourcePos(s, 5), five);
    EXPECT_NE(msgPullSourcePos(s, 6), five);
    EXPECT_NE(msgPullSourcePos(s, 5), five);   // the cache holds line 6 now: a new position

    // A cached position of another file is not returned for the current one.
    msgPushInclude(s, 7, "h.h");
    msgSetSourcePos(s, five);
    msgSourcePos inHeader = msgPullSourcePos(s, 5);
    EXPECT_NE(inHeader, five);
    EXPECT_EQ(inHeader->node, s->curNode);
    EXPECT_STREQ(inHeader->node->fileName, "h.h");
    msgPopInclude(s);
    msgSetSourcePos(s, five);
    EXPECT_EQ(msgPullSourcePos(s, 5), five);

    // Nor one of another structure, even for a file of the same name.
    msgSourceStructure other = msgCreateSourceStructure("m.c");
    msgSetSourcePos(other, five);
    msgSourcePos own = msgPullSourcePos(other, 5);
    EXPECT_NE(own, five);
    EXPECT_EQ(own->node, other->root);
    EXPECT_TRUE(stdSourcePosEqual(own, five));
    msgDeleteSourceStructure(other);
    msgDeleteSourceStructure(s);
}

TEST_F(SourcePositions, ARenameKeepsEarlierPositionsFindableWithTheirName)
{
    msgSourceStructure s = msgCreateSourceStructure("x.c");
    stdSet set = setCreate(stdSourcePosHash, stdSourcePosEqual, 4);
    std::vector<msgSourcePos> before, after;
    for (uInt32 line = 1; line <= 200; line++) before.push_back(msgPullSourcePos(s, line));
    msgCppUpdateSourceStruct(s, 201, "y.c", 500, "");       // a marker without flags renames
    for (uInt32 line = 500; line < 700; line++) after.push_back(msgPullSourcePos(s, line));
    for (size_t i = 0; i < 200; i++) {
        setInsert(set, before[i]);
        setInsert(set, after[i]);
    }
    msgCppUpdateSourceStruct(s, 700, "z.c", 1, "3 4");      // so does flag 3
    EXPECT_STREQ(s->root->fileName, "z.c");
    EXPECT_EQ(s->curNode, s->root);

    msgSourceFileNodeRec x = {};
    x.fileName = (String) "x.c";
    for (size_t i = 0; i < 200; i++) {
        EXPECT_STREQ(before[i]->node->fileName, "x.c");
        EXPECT_STREQ(after[i]->node->fileName, "y.c");
        EXPECT_EQ(stdSourcePosHash(before[i]), stdStringHash((Pointer) "x.c") ^ before[i]->lineNo);
        EXPECT_TRUE(setContains(set, before[i])) << i;
        EXPECT_TRUE(setContains(set, after[i])) << i;
        msgSourcePosRec equal = { &x, before[i]->lineNo };
        EXPECT_EQ(setElement(set, &equal), before[i]);
    }
    EXPECT_EQ(setSize(set), 400u);
    EXPECT_NE(msgPullSourcePos(s, 1), before[0]);           // the cache does not hand out x.c's line 1
    setDelete(set);

    // A marker naming the current file (resynchronisation) keeps the name text itself.
    cString name = s->root->fileName;
    msgCppUpdateSourceStruct(s, 9, "z.c", 30, "");
    EXPECT_EQ(s->root->fileName, name);

    // Old and new positions print their own names, record with the node, and order as one file.
    msgSetSourceStructureFlags(s, msgRecordMessages | msgPrintMessages);
    LogCapture log;
    msgReportWithPos(errorMsg, before[0], "old");
    msgReportWithPos(errorMsg, after[0], "new");
    EXPECT_EQ(log.take(), "t x.c, line 1; error   : old\nt y.c, line 500; error   : new\n");
    EXPECT_EQ(listSize(s->root->messages), 2u);
    EXPECT_TRUE(msgSourcePosLessEq(before[199], after[0]));
    EXPECT_FALSE(msgSourcePosLessEq(after[0], before[199]));
    msgDeleteSourceStructure(s);
}

// ---------------------------------------------------------------------------

using LineMarkers = Source;

TEST_F(LineMarkers, TheFirstNumberOfTheFlagsDecides)
{
    enum Effect { Rename, Push, Nothing };
    struct Case { const char *flags; Effect effect; };
    const Case cases[] = {
        { "", Rename }, { "3", Rename }, { " 3 4", Rename }, { "junk", Rename }, { NULL, Rename },
        { "1", Push }, { " 1 3 4", Push }, { "0x1", Push }, { "01", Push },
        { "4", Nothing }, { "0", Nothing }, { "-1", Nothing }, { "99999999999999999999", Nothing },
    };
    for (const Case &c : cases) {
        msgSourceStructure s = msgCreateSourceStructure("m.c");
        msgCppUpdateSourceStruct(s, 3, "n.h", 1, c.flags);
        const char *flags = c.flags ? c.flags : "(null)";
        EXPECT_STREQ(s->root->fileName, c.effect == Rename ? "n.h" : "m.c") << flags;
        EXPECT_STREQ(s->curNode->fileName, c.effect == Nothing ? "m.c" : "n.h") << flags;
        if (c.effect == Push) {
            EXPECT_EQ(s->curNode->includeLine, 3u);
            EXPECT_EQ(s->curNode->depth, 1u);
            msgCppUpdateSourceStruct(s, 9, "m.c", 4, c.flags[0] == '0' ? "0x2" : "2 3");
            EXPECT_EQ(s->curNode, s->root) << flags;
        }
        msgCppUpdateSourceStruct(s, 9, s->root->fileName, 4, "2");   // returning at the main file stays there
        EXPECT_EQ(s->curNode, s->root);
        msgDeleteSourceStructure(s);
    }
}

TEST_F(LineMarkers, ThatDoNotFitTheStructureFailTheirAssertion)
{
    // The replaced handlers show the condition text and the message.
    auto failing = [](const std::function<void(msgSourceStructure)> &marker) {
        return runChild([&] {
            stdSetAssertHandlers([](cString condition, cString file, Int) { printf("%s in %s: ", condition, file); },
                                 [](cString format, va_list ap) { vprintf(format, ap); printf("\n"); });
            msgSourceStructure s = msgCreateSourceStructure("m.c");
            marker(s);
            printf("returned\n");
        });
    };
    ChildRun run = failing([](msgSourceStructure s) { msgCppUpdateSourceStruct(s, 3, "n.h", 2, "1"); });
    EXPECT_EQ(run.out, "lineNo == 1 in stdMessagesSource.cpp: Unexpected cpp line directive\n");
    EXPECT_EQ(run.exitCode, 1);
    run = failing([](msgSourceStructure s) {
        msgPushInclude(s, 3, "n.h");
        msgCppUpdateSourceStruct(s, 5, "other.c", 4, "2");
    });
    EXPECT_EQ(run.out, "stdEQSTRING(sourceStruct->curNode->fileName,fileName) in stdMessagesSource.cpp: "
                       "Unexpected cpp line directive\n");
    EXPECT_EQ(run.exitCode, 1);
    run = failing([](msgSourceStructure s) { msgGenSourceListing(s); });
    EXPECT_EQ(run.out, "False in stdMessagesSource.cpp: msgGenSourceListing is not implemented yet\n");
    EXPECT_EQ(run.exitCode, 1);

    // With the default handlers: one line naming the check, status 1.
    run = runChild([] { msgCppUpdateSourceStruct(msgCreateSourceStructure("m.c"), 1, "n.h", 7, "1"); });
    EXPECT_THAT(run.err, ::testing::MatchesRegex(
        "Assertion failure at stdMessagesSource\\.cpp, line [0-9]+: Unexpected cpp line directive\n"));
    EXPECT_EQ(run.exitCode, 1);
}

// ---------------------------------------------------------------------------

using SourceDeletion = Source;

// Builds a structure with everything it can own, reports through it and deletes it.
void buildUseAndDelete(const SourceTree &tree, const std::string &preprocessed, LogCapture &log)
{
    msgSourceStructure s = msgCreateSourceStructure(tree.mainPath().c_str());
    std::vector<TextLine> lines = feed(s, preprocessed);
    msgSetSourceStructureFlags(s, kListAndPrint | msgRecordMessages);
    for (const TextLine &line : lines) msgReportWithPos(errorMsg, line.pos, line.text.c_str());
    msgCppUpdateSourceStruct(s, 30, "renamed.c", 1, "");     // freezes the root's positions
    msgSourceFileNodeRec handMade = {};
    handMade.fileName = (String) "hand.c";
    msgSourcePosRec notOwned = { &handMade, 1 };
    msgSetSourcePos(s, &notOwned);                          // the caller's, not released
    msgDeleteSourceStructure(s);
    log.take();
}

TEST_F(SourceDeletion, ReleasesEverythingItMadeAndLaterReportsStaySound)
{
    SourceTree tree;
    std::string preprocessed = tree.preprocessed();
    LogCapture log;
    buildUseAndDelete(tree, preprocessed, log);   // warms up the allocator's caches
    struct mallinfo2 before = mallinfo2();
    for (int i = 0; i < 300; i++) buildUseAndDelete(tree, preprocessed, log);
    struct mallinfo2 after = mallinfo2();
    // A structure of this size that kept any nodes, names or positions would leave
    // hundreds of kilobytes behind over these runs.
    EXPECT_LT(after.uordblks, before.uordblks + 16 * 1024);
    msgDeleteSourceStructure(NULL);

    // A report after the deletion: a new structure of the same file lists and names it afresh.
    msgSourceStructure s = msgCreateSourceStructure(tree.mainPath().c_str());
    msgSetSourceStructureFlags(s, kListAndPrint);
    msgReportWithPos(errorMsg, msgPullSourcePos(s, 3), "after");
    msgReportWithPos(errorMsg, NULL, "unplaced");
    EXPECT_EQ(log.take(), "# int main_3;\nt " + tree.mainPath() + ", line 3; error   : after\nt error   : unplaced\n");
    msgDeleteSourceStructure(s);
}

}  // namespace
