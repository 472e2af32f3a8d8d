/* The help and value listings: layout, wrapping, sentences, domains, defaults. */
#include <gtest/gtest.h>
#include <string>
#include "cmdopt_helpers.h"
#include "stdCmdOpt.h"
#include "toolHelpListing.h"

using namespace cmdopttest;

namespace {

/* The tool's table, registered as its driver registers it. */
cmdoptTable extractToolTable()
{
    cmdoptTable table = newTable(true);
    cmdoptAddOption(table, "app-name", "app-name", cmdoptString, cmdoptSingleValue, 0, nullptr,
                    nullptr, nullptr, nullptr, nullptr,
                    "Specify name of the LUM application to extract.\nThis option is mandatory "
                    "if more than one application is present in the input file.");
    cmdoptAddOption(table, "mcpu", "mcpu", cmdoptString, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr,
                    "Specify name of the device for which the application is to be extracted.\n"
                    "This option is mandatory if the application is built for multiple devices.");
    cmdoptAddOption(table, "output-file", "o", cmdoptString, cmdoptSingleValue, 0, nullptr,
                    nullptr, nullptr, nullptr, nullptr, "Specify name of the output file");
    cmdoptAddOption(table, "lum-proc-attr", "pa", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "Extract LUM process attributes blob");
    cmdoptAddOption(table, "info", "i", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "List apps and supported targets");
    cmdoptAddOption(table, "tool-name", "tool-name", cmdoptString, cmdoptSingleValue,
                    cmdoptHidden, nullptr, nullptr, nullptr, nullptr, "<tool name>",
                    "Change tool name to specified string");
    cmdoptAddOption(table, "help", "h", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "Print this help information on this tool");
    cmdoptAddOption(table, "version", "V", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "Print version information on this tool");
    cmdoptAddOption(table, "options-file", "optf", cmdoptOptionsFile, cmdoptListValue, 0, nullptr,
                    nullptr, nullptr, nullptr, "<file>",
                    "Include command line options from specified file");
    return table;
}

TEST(HelpLayout, ToolListingIsExact)
{
    cmdoptTable table = extractToolTable();
    std::string help = captureStdout([&] { cmdoptPrint(table, False, False); });
    EXPECT_EQ(help, testsupport::toolHelpListing);
}

TEST(HelpLayout, ToolListingFacts)
{
    cmdoptTable table = extractToolTable();
    std::string help = captureStdout([&] { cmdoptPrint(table, False, False); });
    EXPECT_NE(help.find("--help" + std::string(21, ' ') + "(-h)" + std::string(9, ' ') + "\n"),
              std::string::npos);
    std::string longLine = "        This option is mandatory if more than one application is "
                           "present in the input\n";
    EXPECT_EQ(longLine.size(), 86u);  /* 85 characters and the line feed */
    EXPECT_NE(help.find(longLine), std::string::npos);
    EXPECT_EQ(help.find("tool-name"), std::string::npos);
    EXPECT_EQ(help.find("__internal"), std::string::npos);
}

TEST(HelpLayout, ListingIsRepeatable)
{
    cmdoptTable table = extractToolTable();
    std::string first = captureStdout([&] { cmdoptPrint(table, False, False); });
    std::string second = captureStdout([&] { cmdoptPrint(table, False, False); });
    EXPECT_EQ(first, second);
}

TEST(HelpLayout, HiddenOptionsShowOnRequestButNeverThePositionalList)
{
    cmdoptTable table = extractToolTable();
    std::string help = captureStdout([&] { cmdoptPrint(table, True, False); });
    /* The hidden unknown list is now the widest short text: 25 + 2. */
    EXPECT_NE(help.find("--__internal_unknown_opt   (-__internal_unknown_opt)  \n        .\n\n"),
              std::string::npos)
        << help;
    EXPECT_NE(help.find("--tool-name <tool name>    (-tool-name)               \n"
                        "        Change tool name to specified string.\n\n"),
              std::string::npos)
        << help;
    EXPECT_EQ(help.find("-- "), std::string::npos);
    EXPECT_EQ(help.find("(- )"), std::string::npos);
}

TEST(HelpLayout, DeprecatedOptionsAreTreatedAsHidden)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "old", "O", cmdoptBool, cmdoptNoValue, cmdoptDeprecated, nullptr,
                    nullptr, nullptr, nullptr, nullptr, "gone");
    cmdoptAddOption(table, "new", "n", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "here");
    std::string help = captureStdout([&] { cmdoptPrint(table, False, False); });
    EXPECT_EQ(help, "\nOptions\n=======\n\n--new  (-n)  \n        Here.\n\n");
}

TEST(HelpGroups, UnsortedGroupKeepsOrderAndTitleDescriptionIsASentence)
{
    cmdoptTable table = newTable();
    cmdoptAddGroup(table, 0, "Advanced.options for experts");
    cmdoptAddOption(table, "zeta", "z", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "last letter.");
    cmdoptAddOption(table, "alpha", "a", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "First letter ");
    std::string help = captureStdout([&] { cmdoptPrint(table, False, False); });
    EXPECT_EQ(help,
              "\nAdvanced\n========\nOptions for experts.\n\n"
              "--zeta   (-z)  \n        Last letter.\n\n"
              "--alpha  (-a)  \n        First letter \n\n");
}

TEST(HelpGroups, GroupsWithoutVisibleOptionsAndTitlesEndingInADotArePlain)
{
    cmdoptTable table = newTable();
    cmdoptAddGroup(table, 1, "Secret");
    cmdoptAddOption(table, "hush", "q", cmdoptBool, cmdoptNoValue, cmdoptHidden, nullptr,
                    nullptr, nullptr, nullptr, nullptr, "quiet");
    cmdoptAddGroup(table, 1, "Empty");
    cmdoptAddGroup(table, 1, "Tail.");
    cmdoptAddOption(table, "go", "g", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "");
    std::string help = captureStdout([&] { cmdoptPrint(table, False, False); });
    EXPECT_EQ(help, "\nTail.\n=====\n\n--go  (-g)  \n        .\n\n");
}

TEST(HelpGroups, InternalOptionsJoinNoGroup)
{
    cmdoptTable table = newTable();
    cmdoptAddGroup(table, 1, "Inner");
    cmdoptAddOption(table, "machine", "m", cmdoptInt, cmdoptSingleValue, cmdoptInternal, nullptr,
                    nullptr, "7", nullptr, nullptr, "internal");
    std::string help = captureStdout([&] { cmdoptPrint(table, True, False); });
    EXPECT_EQ(help.find("machine"), std::string::npos);
    EXPECT_EQ(help.find("Inner"), std::string::npos);
}

TEST(HelpDomains, AllowedValuesAreSortedByTypeAndDefaultFollows)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "level", "l", cmdoptInt, cmdoptSingleValue, 0, "3,1,2,-1", nullptr, "2",
                    nullptr, "<n>", "compression level");
    std::string help = captureStdout([&] { cmdoptPrint(table, False, False); });
    EXPECT_EQ(help,
              "\nOptions\n=======\n\n"
              "--level <n>  (-l)  \n"
              "        Compression level.\n"
              "        Allowed values for this option:  -1,1,2,3.\n"
              "        Default value:  2.\n\n");
}

TEST(HelpDomains, HexValuesSortAsUnsignedAndPrintInTheirFormat)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "mask", "k", cmdoptHex08, cmdoptSingleValue, 0,
                    "0x80000000,0x10,0xff", nullptr, "0x10", nullptr, nullptr, "mask");
    cmdoptAddOption(table, "addr", "a", cmdoptHex64, cmdoptSingleValue, cmdoptNoDefaultInHelp,
                    "0xffffffffffffffff,1", nullptr, "1", nullptr, nullptr, "address");
    std::string help = captureStdout([&] { cmdoptPrint(table, False, False); });
    EXPECT_EQ(help,
              "\nOptions\n=======\n\n"
              "--addr  (-a)  \n"
              "        Address.\n"
              "        Allowed values for this option:  0x1,0xffffffffffffffff.\n\n"
              "--mask  (-k)  \n"
              "        Mask.\n"
              "        Allowed values for this option:  0x00000010,0x000000ff,0x80000000.\n"
              "        Default value:  0x00000010.\n\n");
}

TEST(HelpDomains, StringDomainsSortAndKeywordsAreQuoted)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "mode", "m", cmdoptCIString, cmdoptSingleValue, 0, "Beta,alpha,Gamma",
                    nullptr, "BETA", nullptr, nullptr, "mode");
    cmdoptAddOption(table, "def", "d", cmdoptInt, cmdoptKeywordValue, 0, nullptr, "y,x", "x=1",
                    nullptr, nullptr, "defines");
    std::string help = captureStdout([&] { cmdoptPrint(table, False, False); });
    EXPECT_EQ(help,
              "\nOptions\n=======\n\n"
              "--def   (-d)  \n"
              "        Defines.\n"
              "        Allowed keywords for this option:  'x','y'.\n"
              "        Default value:  x=1.\n\n"
              "--mode  (-m)  \n"
              "        Mode.\n"
              "        Allowed values for this option:  'alpha','Beta','Gamma'.\n"
              "        Default value:  'Beta'.\n\n");
}

TEST(HelpDomains, OtherValueFormats)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "fast", "f", cmdoptBool, cmdoptSingleValue, 0, nullptr, nullptr, "true",
                    nullptr, nullptr, "speed");
    cmdoptAddOption(table, "ratio", "r", cmdoptFloat, cmdoptSingleValue, 0, nullptr, nullptr,
                    "0.5", nullptr, nullptr, "ratio");
    cmdoptAddOption(table, "big", "b", cmdoptInt64, cmdoptListValue, 0, nullptr, nullptr,
                    "-5,6", nullptr, nullptr, "big");
    std::string help = captureStdout([&] { cmdoptPrint(table, False, False); });
    EXPECT_EQ(help,
              "\nOptions\n=======\n\n"
              "--big    (-b)  \n        Big.\n        Default value: -56.\n\n"
              "--fast   (-f)  \n        Speed.\n        Default value:  true.\n\n"
              "--ratio  (-r)  \n        Ratio.\n        Default value:  5.000000e-01.\n\n");
}

TEST(ValueListing, ListsOnlyGivenOptionsWithTheirValues)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "out", "o", cmdoptString, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "output");
    cmdoptAddOption(table, "verbose", "v", cmdoptBool, cmdoptNoValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "talk");
    cmdoptAddOption(table, "inc", "I", cmdoptString, cmdoptListValue, 0, nullptr, nullptr, nullptr,
                    nullptr, "<dir>", "includes");
    cmdoptAddOption(table, "level", "l", cmdoptInt, cmdoptSingleValue, 0, nullptr, nullptr, "3",
                    nullptr, nullptr, "level");
    cmdoptAddOption(table, "unused", "u", cmdoptInt, cmdoptSingleValue, 0, nullptr, nullptr, "3",
                    nullptr, nullptr, "not given");
    parse(table, {"-v", "-o", "x", "--inc", "a,b", "--level", "0x10", "pos"});
    std::string listing = captureStdout([&] { cmdoptPrint(table, False, True); });
    EXPECT_EQ(listing,
              "\nOptions\n=======\n\n"
              "--inc <dir>,...  'a''b'\n"
              "--level           16\n"
              "--out             'x'\n"
              "--verbose         true\n");
}

TEST(ValueListing, TextOptionGivenBareIsListedByItsName)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "opt", "O", cmdoptString, cmdoptSingleValue, cmdoptSingleLetterOptional,
                    nullptr, nullptr, nullptr, nullptr, nullptr, "optimise");
    cmdoptAddOption(table, "out", "o", cmdoptString, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "output");
    parse(table, {"-O", "-o", "x"});
    std::string listing = captureStdout([&] { cmdoptPrint(table, False, True); });
    EXPECT_EQ(listing, "\nOptions\n=======\n\n--opt  \n--out   'x'\n");
}

TEST(ValueListing, KeywordValuesPrintAsPairs)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "set", "s", cmdoptInt, cmdoptKeywordListValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "settings");
    parse(table, {"--set", "a=1,b=2", "--set", "c=3"});
    std::string listing = captureStdout([&] { cmdoptPrint(table, False, True); });
    EXPECT_EQ(listing, "\nOptions\n=======\n\n--set   a=1,b=2 c=3\n");
}

/* ---- Wrapping rules ----------------------------------------------------- */

class Wrapping : public ::testing::Test {
protected:
    cmdoptPrintStateRec state{};
    void SetUp() override
    {
        state.width = 20;
        state.indent = 2;
        state.column = 2;
        state.skipLeadingBlanks = True;
    }
    std::string print(const char *text)
    {
        return captureStdout([&] { oprintf(&state, "%s", text); });
    }
};

TEST_F(Wrapping, WordThatDoesNotFitEndsItsLineAndTheBreakFollowsIt)
{
    EXPECT_EQ(print("aaaa bbbb cccc dddd eeee"), "aaaa bbbb cccc dddd\n  eeee");
    EXPECT_EQ(state.column, 6u);
}

TEST_F(Wrapping, WordMustEndBeforeTheWidthToFit)
{
    /* "abc,defg" starting at column 12 would end exactly at the width of 20. */
    state.column = 12;
    EXPECT_EQ(print("abc,defg"), "abc,\n  defg");
    state.column = 11;
    EXPECT_EQ(print("abc,defg"), "abc,defg");
}

TEST_F(Wrapping, CommaInsideAnOverflowingWordBreaksAfterTheComma)
{
    EXPECT_EQ(print("aaaaaa bbbbbb,cccccc,dd"), "aaaaaa bbbbbb,\n  cccccc,dd");
}

TEST_F(Wrapping, WordWiderThanTheLineHasNoLimitUntilItsRestFits)
{
    EXPECT_EQ(print("x aaaaaaaaaaaaaaaaaaaaaaa"), "x aaaaaaaaaaaaaaaaaaaaaaa");
    /* The limit is taken at every character: once the rest of the word fits
     * the width, its commas break the line. */
    EXPECT_EQ(print("\nx aaaa,bbbb,cccc,dddd,eeee"), "\n  x aaaa,\n  bbbb,\n  cccc,dddd,eeee");
}

TEST_F(Wrapping, LineFeedIndentsAndLeadingBlanksAreSkipped)
{
    EXPECT_EQ(print("a\n   b"), "a\n  b");
    state.skipLeadingBlanks = False;
    EXPECT_EQ(print("a\n   b"), "a\n     b");
}

TEST_F(Wrapping, TabGoesToTheNextMultipleOfEight)
{
    state.column = 3;
    EXPECT_EQ(print("ab\tc"), "ab   c");
    EXPECT_EQ(state.column, 9u);
}

TEST_F(Wrapping, TabBeforeALongWordAtALineStartEndsAndKeepsTheWord)
{
    state.indent = 8;
    state.column = 8;
    EXPECT_EQ(print("\tcccccccccccccccc"), std::string(8, ' ') + std::string(16, 'c'));
    state.column = 12;
    EXPECT_EQ(print("\tcccccccccccccccc"),
              "\n" + std::string(8, ' ') + std::string(8, ' ') + std::string(16, 'c'));
}

TEST_F(Wrapping, CarriageReturnBreaksLikeABlankAtTheLimit)
{
    state.column = 18;
    EXPECT_EQ(print("\rab"), "\n  \rab");
}

std::string sentence(const char *text)
{
    cmdoptPrintStateRec state{};
    state.width = 80;
    return captureStdout([&] { printText(&state, text); });
}

TEST(Sentences, FirstLetterIsRaisedAndAFullStopAdded)
{
    EXPECT_EQ(sentence("abc"), "Abc.");
    EXPECT_EQ(sentence("1 done."), "1 done.");
    /* At column 8 a tab goes on to the next multiple of 8. */
    EXPECT_EQ(sentence("trailing\t"), "Trailing" + std::string(8, ' '));
    EXPECT_EQ(sentence("zed\r"), "Zed\r");
    EXPECT_EQ(sentence("end "), "End ");
    EXPECT_EQ(sentence(""), ".");
    EXPECT_EQ(sentence("100%s"), "100%s.");
}

}  // namespace
