/* Options files: splitting, quotes, brackets, escapes, nesting and failures. */
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "cmdopt_helpers.h"
#include "stdCmdOpt.h"
#include "stdMessages.h"

using namespace cmdopttest;

namespace {

using V = std::vector<std::string>;

class OptionsFiles : public ::testing::Test {
protected:
    TempDir dir;
    cmdoptTable table = nullptr;

    void SetUp() override
    {
        table = newTable(true);
        cmdoptAddOption(table, "app-name", "app-name", cmdoptString, cmdoptSingleValue, 0, nullptr,
                        nullptr, nullptr, nullptr, nullptr, "app");
        cmdoptAddOption(table, "output-file", "o", cmdoptString, cmdoptSingleValue, 0, nullptr,
                        nullptr, nullptr, nullptr, nullptr, "output");
        cmdoptAddOption(table, "inc", "I", cmdoptString, cmdoptListValue, 0, nullptr, nullptr,
                        nullptr, nullptr, nullptr, "includes");
        cmdoptAddOption(table, "options-file", "optf", cmdoptOptionsFile, cmdoptListValue, 0,
                        nullptr, nullptr, nullptr, nullptr, "<file>", "options file");
    }

    std::string value(const char *name)
    {
        String text = nullptr;
        cmdoptGetOptionValue(table, name, &text);
        return text != nullptr ? text : "<null>";
    }

    /* Parses "--options-file" with a file of these contents. */
    void parseFile(const std::string &contents)
    {
        parse(table, {"--options-file", dir.write("opts", contents).c_str()});
    }
};

TEST_F(OptionsFiles, QuotesAndBracketsMakeOneArgument)
{
    parseFile("--app-name \"my app\" -I [x y,z] -I \"p q\",r");
    EXPECT_EQ(value("app-name"), "my app");
    EXPECT_EQ(stringList(table, "inc"), (V{"x y", "z", "p q", "r"}));

    parseFile("--app-name [my app]");
    EXPECT_EQ(value("app-name"), "my app");
}

TEST_F(OptionsFiles, BackslashEscapes)
{
    parseFile("--app-name a\\\"b -o x\\ y -I \"q\\\"r\"");
    /* An escaped quote outside a quoted part becomes a plain quote, which is then removed. */
    EXPECT_EQ(value("app-name"), "ab");
    EXPECT_EQ(value("output-file"), "x y");
    EXPECT_EQ(stringList(table, "inc"), (V{"qr"}));
}

TEST_F(OptionsFiles, QuoteAfterAnEscapedBackslashIsKept)
{
    /* The file holds: -o a\\\"b  (an escaped backslash, then an escaped quote) */
    parseFile("-o a\\\\\\\"b");
    EXPECT_EQ(value("output-file"), "a\\\"b");
}

TEST_F(OptionsFiles, LineBreaksAreOrdinarySeparators)
{
    parseFile("-o\r\nout\n\n\t--app-name=one   in.o\n#comment");
    EXPECT_EQ(value("output-file"), "out");
    EXPECT_EQ(value("app-name"), "one");
    EXPECT_EQ(stringList(table, cmdoptPositionalName), (V{"in.o", "#comment"}));
}

TEST_F(OptionsFiles, EmptyAndBlankFilesAddNothing)
{
    parseFile("");
    parseFile("  \n\t\r\n   ");
    EXPECT_EQ(stringList(table, cmdoptPositionalName), V{});
    EXPECT_EQ(stringList(table, cmdoptUnknownName), V{});
    EXPECT_TRUE(cmdoptOnCommandLine(table, "options-file"));
    EXPECT_FALSE(cmdoptOnCommandLine(table, "output-file"));
}

TEST_F(OptionsFiles, LongLinesAreReadWhole)
{
    std::string longValue(5000, 'v');
    longValue += "end";
    parseFile("-o " + longValue + " " + std::string(2000, ' ') + "last");
    EXPECT_EQ(value("output-file"), longValue);
    EXPECT_EQ(stringList(table, cmdoptPositionalName), V{"last"});
}

TEST_F(OptionsFiles, UnknownOptionsInFilesAreCollectedAsWritten)
{
    parseFile("--bogus=1 -x");
    EXPECT_EQ(stringList(table, cmdoptUnknownName), (V{"--bogus=1", "-x"}));
}

TEST_F(OptionsFiles, CommaSeparatedNamesAreReadInOrderAndBracketsNameOneFile)
{
    std::string a = dir.write("a", "first");
    std::string b = dir.write("b", "second");
    std::string ab = dir.write("a,b", "both");
    parse(table, {"-optf", (a + "," + b).c_str(), "--options-file", ("[" + ab + "]").c_str()});
    EXPECT_EQ(stringList(table, cmdoptPositionalName), (V{"first", "second", "both"}));
    stdList names = (stdList)1;
    cmdoptGetOptionValue(table, "options-file", &names);
    EXPECT_EQ(names, nullptr);
}

TEST_F(OptionsFiles, NestedFilesAreReadAtOnceAndNumberedAfterTheirOption)
{
    std::string inner = dir.write("inner", "b");
    std::string outer = dir.write("outer", "a --options-file " + inner + " c");
    /* 0: first  1: -optf  2: a  3: --options-file  4: b  5: c  6: last */
    parse(table, {"first", "-optf", outer.c_str(), "last"});
    EXPECT_EQ(stringList(table, cmdoptPositionalName), (V{"first", "a", "b", "c", "last"}));
    std::vector<Int32> positions;
    for (stdList cell = cmdoptGetOptionPositionList(table, cmdoptPositionalName); cell;
         cell = cell->next)
        positions.push_back((Int32)(intptr_t)cell->element);
    EXPECT_EQ(positions, (std::vector<Int32>{6, 5, 4, 2, 0}));
    EXPECT_EQ(table->optionsFileDepth, 0);
}

TEST_F(OptionsFiles, EveryShapeOfOptionsFileOptionReadsTheFile)
{
    cmdoptAddOption(table, "one", "1", cmdoptOptionsFile, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "");
    cmdoptAddOption(table, "whole", "w", cmdoptOptionsFile, cmdoptListValue, cmdoptListWhole,
                    nullptr, nullptr, nullptr, nullptr, nullptr, "");
    std::string a = dir.write("a", "from-a");
    std::string b = dir.write("b", "from-b");
    parse(table, {"--one", a.c_str(), "--one", b.c_str(), "-w", b.c_str()});
    EXPECT_EQ(stringList(table, cmdoptPositionalName), (V{"from-a", "from-b", "from-b"}));
    EXPECT_EQ(stringList(table, "whole"), V{b});
}

/* A chain of n files, each naming the next; the last holds "deepest". */
std::string chain(const TempDir &dir, int n)
{
    std::string next;
    for (int i = n; i >= 1; i--) {
        std::string contents = next.empty() ? "deepest" : "--options-file " + next;
        next = dir.write("chain" + std::to_string(i), contents);
    }
    return next;
}

TEST_F(OptionsFiles, FifteenNestedFilesAreAllowed)
{
    parse(table, {"-optf", chain(dir, 15).c_str()});
    EXPECT_EQ(stringList(table, cmdoptPositionalName), V{"deepest"});
}

TEST_F(OptionsFiles, FilesReadOneAfterAnotherDoNotAddUp)
{
    std::string names;
    for (int i = 0; i < 40; i++) names += (i ? "," : "") + dir.write("f" + std::to_string(i), "x");
    parse(table, {"-optf", names.c_str()});
    EXPECT_EQ(stringList(table, cmdoptPositionalName).size(), 40u);
}

class OptionsFileErrors : public OptionsFiles {
protected:
    void SetUp() override
    {
        OptionsFiles::SetUp();
        msgSetToolName(kTool);
    }
};

TEST_F(OptionsFileErrors, SixteenthNestedFileIsRefused)
{
    std::string first = chain(dir, 16);
    EXPECT_EXIT(parse(table, {"-optf", first.c_str()}), ::testing::ExitedWithCode(1),
                fatal("Too many options file opened '" + dir.path("chain16") + "'"));
}

TEST_F(OptionsFileErrors, FileNamingItselfStopsAtDepthFifteen)
{
    std::string self = dir.path("self");
    dir.write("self", "--options-file " + self);
    EXPECT_EXIT(parse(table, {"--options-file", self.c_str()}), ::testing::ExitedWithCode(1),
                fatal("Too many options file opened '" + self + "'"));
}

TEST_F(OptionsFileErrors, MissingAndUnreadableFiles)
{
    std::string missing = dir.path("missing");
    EXPECT_EXIT(parse(table, {"-optf", missing.c_str()}), ::testing::ExitedWithCode(1),
                fatal("Could not open options file '" + missing + "'"));
    std::string directory = dir.path("");
    EXPECT_EXIT(parse(table, {"-optf", directory.c_str()}), ::testing::ExitedWithCode(1),
                fatal("Failed to read contents of options file"));
}

TEST_F(OptionsFileErrors, UnclosedQuoteBracketOrFinalBackslash)
{
    EXPECT_EXIT(parseFile("--app-name \"my app\n"), ::testing::ExitedWithCode(1),
                fatal("Stray '\"' character"));
    EXPECT_EXIT(parseFile("-I [a b\n"), ::testing::ExitedWithCode(1),
                fatal("Stray '[' character"));
    EXPECT_EXIT(parseFile("-o out \\"), ::testing::ExitedWithCode(1),
                fatal("Stray '\\' character"));
}

TEST_F(OptionsFileErrors, ParserMessagesApplyToFileArguments)
{
    cmdoptTable strict = newTable(false);
    cmdoptAddOption(strict, "options-file", "optf", cmdoptOptionsFile, cmdoptListValue, 0,
                    nullptr, nullptr, nullptr, nullptr, "<file>", "options file");
    std::string file = dir.write("bad", "in --bogus=2");
    EXPECT_EXIT(parse(strict, {"-optf", file.c_str()}), ::testing::ExitedWithCode(1),
                fatal("Unknown option '-bogus'"));
}

}  // namespace
