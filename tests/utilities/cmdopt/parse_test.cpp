/* Argument syntax: long and short forms, attached values, implicit values,
 * positionals, unknown options, single letters, echo and position numbers. */
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "cmdopt_helpers.h"
#include "stdCmdOpt.h"
#include "stdMessages.h"

using namespace cmdopttest;

namespace {

using V = std::vector<std::string>;

cmdoptTable outputTable(bool collect = false)
{
    cmdoptTable table = newTable(collect);
    cmdoptAddOption(table, "output-file", "o", cmdoptString, cmdoptSingleValue, 0, nullptr,
                    nullptr, nullptr, nullptr, nullptr, "output");
    cmdoptAddOption(table, "help", "h", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "help");
    return table;
}

std::string output(cmdoptTable table)
{
    String value = nullptr;
    EXPECT_TRUE(cmdoptGetOptionValue(table, "output-file", &value));
    return value != nullptr ? value : "<null>";
}

class SyntaxForms : public ::testing::TestWithParam<V> {};

TEST_P(SyntaxForms, AllSpellingsOfAValueAreEquivalent)
{
    cmdoptTable table = outputTable();
    parse(table, GetParam());
    EXPECT_EQ(output(table), "x");
    EXPECT_TRUE(cmdoptOnCommandLine(table, "output-file"));
    EXPECT_EQ(stringList(table, cmdoptPositionalName), V{"in"});
}

INSTANTIATE_TEST_SUITE_P(OutputFile, SyntaxForms,
                         ::testing::Values(V{"--output-file=x", "in"}, V{"--output-file", "x", "in"},
                                           V{"-o", "x", "in"}, V{"-o=x", "in"},
                                           V{"in", "-o", "x"}));

TEST(Syntax, AttachedValueMayBeEmptyOrHoldEqualsSigns)
{
    cmdoptTable table = outputTable();
    parse(table, {"--output-file=a=b"});
    EXPECT_EQ(output(table), "a=b");
    cmdoptTable empty = outputTable();
    parse(empty, {"-o="});
    EXPECT_EQ(output(empty), "");
}

TEST(Syntax, NextArgumentIsTheValueEvenWithADash)
{
    cmdoptTable table = outputTable();
    parse(table, {"--output-file", "-x"});
    EXPECT_EQ(output(table), "-x");
    EXPECT_EQ(stringList(table, cmdoptPositionalName), V{});
}

TEST(Syntax, LoneDashIsPositional)
{
    cmdoptTable table = outputTable(true);
    parse(table, {"-", "a", "-o", "x", "b"});
    EXPECT_EQ(stringList(table, cmdoptPositionalName), (V{"-", "a", "b"}));
    EXPECT_EQ(stringList(table, cmdoptUnknownName), V{});
}

TEST(Syntax, ShortNameAttachedWithoutFlagIsUnknown)
{
    cmdoptTable table = outputTable(true);
    parse(table, {"-ox", "--", "-o=x=y"});
    EXPECT_EQ(stringList(table, cmdoptUnknownName), (V{"-ox", "--"}));
    EXPECT_EQ(output(table), "x=y");
}

TEST(Syntax, LongNamesAndShortNamesAreSeparate)
{
    cmdoptTable table = outputTable(true);
    parse(table, {"--o", "x", "-output-file", "y"});
    EXPECT_EQ(stringList(table, cmdoptUnknownName), (V{"--o", "-output-file"}));
    EXPECT_EQ(stringList(table, cmdoptPositionalName), (V{"x", "y"}));
}

TEST(Syntax, ArgumentTextsAreCutInPlaceOnlyForKnownOptions)
{
    char known[] = "--output-file=v";
    char unknown[] = "--other=w";
    char *argv[] = { (char *)"prog", known, unknown, nullptr };
    cmdoptTable table = outputTable(true);
    cmdoptParse(table, 3, argv);
    EXPECT_STREQ(known, "--output-file");
    EXPECT_STREQ(unknown, "--other=w");
}

TEST(Syntax, NothingHappensBelowTwoArguments)
{
    cmdoptTable table = outputTable();
    char *argv[] = { (char *)"prog", (char *)"-o", nullptr };
    cmdoptParse(table, 1, argv);
    cmdoptParse(table, 0, argv);
    EXPECT_FALSE(cmdoptOnCommandLine(table, "output-file"));
}

TEST(SyntaxSwitches, NoValueOptionReadsAsGivenOrNot)
{
    cmdoptTable table = outputTable();
    Bool help = 7;
    EXPECT_FALSE(cmdoptGetOptionValue(table, "help", &help));
    EXPECT_EQ(help, 0);
    parse(table, {"-h"});
    EXPECT_TRUE(cmdoptGetOptionValue(table, "help", &help));
    EXPECT_EQ(help, 1);
    EXPECT_TRUE(_cmdoptGetOptionValue(table, "help", nullptr, 1));
}

class SyntaxErrors : public ::testing::Test {
protected:
    void SetUp() override { msgSetToolName(kTool); }
};

TEST_F(SyntaxErrors, UnknownOptionIsFatalWhenNotCollected)
{
    cmdoptTable table = outputTable();
    EXPECT_EXIT(parse(table, {"--foo=1"}), ::testing::ExitedWithCode(1),
                fatal("Unknown option '-foo'"));
    EXPECT_EXIT(parse(table, {"--"}), ::testing::ExitedWithCode(1), fatal("Unknown option '-'"));
    EXPECT_EXIT(parse(table, {"-ox"}), ::testing::ExitedWithCode(1), fatal("Unknown option 'ox'"));
}

TEST_F(SyntaxErrors, NoValueOptionWithAValue)
{
    cmdoptTable table = outputTable();
    EXPECT_EXIT(parse(table, {"--help=1"}), ::testing::ExitedWithCode(1),
                fatal("no argument expected after '--help'"));
    EXPECT_EXIT(parse(table, {"-h="}), ::testing::ExitedWithCode(1),
                fatal("no argument expected after '-h'"));
}

TEST_F(SyntaxErrors, ValueOptionAtTheEnd)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "mcpu", "mcpu", cmdoptString, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "cpu");
    EXPECT_EXIT(parse(table, {"in", "--mcpu"}), ::testing::ExitedWithCode(1),
                fatal("argument expected after '--mcpu'"));
    EXPECT_EXIT(parse(table, {"-mcpu"}), ::testing::ExitedWithCode(1),
                fatal("argument expected after '-mcpu'"));
}

TEST_F(SyntaxErrors, InternalOptionIsUnknownOnTheCommandLine)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "secret", "s", cmdoptInt, cmdoptSingleValue, cmdoptInternal, nullptr,
                    nullptr, "5", nullptr, nullptr, "internal");
    Int32 value = 0;
    EXPECT_TRUE(cmdoptGetOptionValue(table, "secret", &value));
    EXPECT_EQ(value, 5);
    EXPECT_EXIT(parse(table, {"--secret=1"}), ::testing::ExitedWithCode(1),
                fatal("Unknown option '-secret'"));
}

TEST_F(SyntaxErrors, InternalSingleLetterOptionIsReportedWithoutItsValue)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "define", "D", cmdoptString, cmdoptListValue,
                    cmdoptInternal | cmdoptSingleLetter, nullptr, nullptr, nullptr, nullptr,
                    nullptr, "internal");
    EXPECT_EXIT(parse(table, {"-Dx=1"}), ::testing::ExitedWithCode(1),
                fatal("Unknown option 'Dx'"));
    cmdoptTable collecting = newTable(true);
    cmdoptAddOption(collecting, "define", "D", cmdoptString, cmdoptListValue,
                    cmdoptInternal | cmdoptSingleLetter, nullptr, nullptr, nullptr, nullptr,
                    nullptr, "internal");
    parse(collecting, {"-Dx=1"});
    EXPECT_EQ(stringList(collecting, cmdoptUnknownName), V{"-Dx=1"});
}

TEST_F(SyntaxErrors, DeprecatedOptionWarnsAndStillWorks)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "old", "O", cmdoptString, cmdoptSingleValue, cmdoptDeprecated, nullptr,
                    nullptr, nullptr, nullptr, nullptr, "old");
    EXPECT_EXIT(
        {
            parse(table, {"--old", "v"});
            String value = nullptr;
            cmdoptGetOptionValue(table, "old", &value);
            exit(std::string(value) == "v" ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), diagnostic("warning ", "option 'old' has been deprecated"));
}

TEST(CollectedUnknowns, KeptWholeInOrder)
{
    cmdoptTable table = outputTable(true);
    parse(table, {"--bogus=3", "in", "-z", "--x=1=2"});
    EXPECT_EQ(stringList(table, cmdoptUnknownName), (V{"--bogus=3", "-z", "--x=1=2"}));
    EXPECT_EQ(stringList(table, cmdoptPositionalName), V{"in"});
}

TEST(ImplicitValues, UsedBeforeAnOptionOrAtTheEnd)
{
    cmdoptTable table = newTable(true);
    cmdoptAddOption(table, "opt", "O", cmdoptInt, cmdoptSingleValue, 0, nullptr, nullptr, nullptr,
                    "3", nullptr, "level");
    parse(table, {"--opt", "-x"});
    Int32 level = 0;
    EXPECT_TRUE(cmdoptGetOptionValue(table, "opt", &level));
    EXPECT_EQ(level, 3);
    EXPECT_EQ(stringList(table, cmdoptUnknownName), V{"-x"});

    cmdoptTable atEnd = newTable(true);
    cmdoptAddOption(atEnd, "opt", "O", cmdoptInt, cmdoptSingleValue, 0, nullptr, nullptr, nullptr,
                    "3", nullptr, "level");
    parse(atEnd, {"in", "--opt"});
    level = 0;
    EXPECT_TRUE(cmdoptGetOptionValue(atEnd, "opt", &level));
    EXPECT_EQ(level, 3);
}

TEST(ImplicitValues, LoneDashIsTakenAsTheValue)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "out", "o", cmdoptString, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, "a.out", nullptr, "output");
    parse(table, {"--out", "-"});
    String value = nullptr;
    cmdoptGetOptionValue(table, "out", &value);
    EXPECT_STREQ(value, "-");
}

TEST(ImplicitValues, PlainNextArgumentStillWins)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "opt", "O", cmdoptInt, cmdoptSingleValue, 0, nullptr, nullptr, nullptr,
                    "3", nullptr, "level");
    parse(table, {"--opt", "9"});
    Int32 level = 0;
    cmdoptGetOptionValue(table, "opt", &level);
    EXPECT_EQ(level, 9);
}

TEST(SingleLetters, ValueAttachedToTheLetter)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "define", "D", cmdoptString, cmdoptListValue,
                    cmdoptSingleLetter | cmdoptListWhole, nullptr, nullptr, nullptr, nullptr,
                    nullptr, "macro");
    parse(table, {"-Dx=1", "-D", "y", "-D=z", "--define", "w,v"});
    EXPECT_EQ(stringList(table, "define"), (V{"x=1", "y", "z", "w,v"}));
}

TEST(SingleLetters, OptionalLetterAloneTakesNoValue)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "opt", "O", cmdoptInt, cmdoptSingleValue, cmdoptSingleLetterOptional,
                    nullptr, nullptr, nullptr, nullptr, nullptr, "level");
    parse(table, {"-O", "in"});
    Int32 level = 5;
    EXPECT_TRUE(cmdoptGetOptionValue(table, "opt", &level));
    EXPECT_EQ(level, 0);
    EXPECT_EQ(stringList(table, cmdoptPositionalName), V{"in"});
    parse(table, {"-O2"});
    cmdoptGetOptionValue(table, "opt", &level);
    EXPECT_EQ(level, 2);
}

TEST(SingleLetters, FullShortNameWinsOverTheLetter)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "opt", "O", cmdoptString, cmdoptSingleValue, cmdoptSingleLetter,
                    nullptr, nullptr, nullptr, nullptr, nullptr, "level");
    cmdoptAddOption(table, "ofast", "Ofast", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "fast");
    parse(table, {"-Ofast", "-Og"});
    EXPECT_TRUE(cmdoptOnCommandLine(table, "ofast"));
    String level = nullptr;
    cmdoptGetOptionValue(table, "opt", &level);
    EXPECT_STREQ(level, "g");
}

TEST(Echo, OptionAndValueReappearAmongThePositionals)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "pass", "p", cmdoptString, cmdoptSingleValue, cmdoptEcho, nullptr,
                    nullptr, nullptr, nullptr, nullptr, "passed on");
    cmdoptAddOption(table, "flag", "f", cmdoptBool, cmdoptNoValue, cmdoptEcho, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "passed on");
    parse(table, {"a", "-p", "v", "--flag", "b"});
    EXPECT_EQ(stringList(table, cmdoptPositionalName), (V{"a", "--pass", "v", "--flag", "b"}));
}

TEST(Positions, EveryOccurrenceAndPositionalIsNumberedInOrder)
{
    cmdoptTable table = newTable(true);
    cmdoptAddOption(table, "inc", "I", cmdoptString, cmdoptListValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "includes");
    cmdoptAddOption(table, "out", "o", cmdoptString, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "output");
    /* 0: a  1: --inc (value p,q)  2: --bogus  3: -o (value x)  4: b  5: -I (value r) */
    parse(table, {"a", "--inc", "p,q", "--bogus", "-o", "x", "b", "-I", "r"});
    EXPECT_EQ(cmdoptGetOptionPosition(table, "out"), 3);
    EXPECT_EQ(cmdoptGetOptionPosition(table, "inc"), 5);
    EXPECT_EQ(cmdoptGetOptionPosition(table, cmdoptUnknownName), 2);
    EXPECT_EQ(cmdoptGetOptionPosition(table, cmdoptPositionalName), 4);
    std::vector<Int32> positions;
    for (stdList cell = cmdoptGetOptionPositionList(table, "inc"); cell; cell = cell->next)
        positions.push_back((Int32)(intptr_t)cell->element);
    EXPECT_EQ(positions, (std::vector<Int32>{5, 1, 1}));
    positions.clear();
    for (stdList cell = cmdoptGetOptionPositionList(table, cmdoptPositionalName); cell;
         cell = cell->next)
        positions.push_back((Int32)(intptr_t)cell->element);
    EXPECT_EQ(positions, (std::vector<Int32>{4, 0}));
}

TEST(Positions, NeverGivenIsZero)
{
    cmdoptTable table = outputTable();
    EXPECT_EQ(cmdoptGetOptionPosition(table, "output-file"), 0);
    EXPECT_EQ(cmdoptGetOptionPositionList(table, cmdoptPositionalName), nullptr);
}

}  // namespace
