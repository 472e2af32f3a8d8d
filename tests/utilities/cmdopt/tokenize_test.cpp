/* Splitting texts: separators, empty pieces, trimming, quotes, brackets, escapes. */
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "cmdopt_helpers.h"
#include "stdCmdOpt.h"
#include "stdMessages.h"

using namespace cmdopttest;

namespace {

struct Options {
    const char *separators = ",";
    bool keepEmpty = false;
    bool escapes = false;
    bool keepQuotes = false;
    bool keepBrackets = false;
};

void collect(String token, Pointer data)
{
    static_cast<std::vector<std::string> *>(data)->emplace_back(token);
}

std::vector<std::string> tokens(const char *text, Options options = {})
{
    std::vector<std::string> result;
    stdTokenizeString(text, options.separators, options.keepEmpty, options.escapes, collect,
                      &result, options.keepQuotes, options.keepBrackets);
    return result;
}

using V = std::vector<std::string>;

TEST(TokenizerSplitting, NullAndEmptyTextsYieldNothing)
{
    EXPECT_EQ(tokens(nullptr), V{});
    EXPECT_EQ(tokens(""), V{});
    EXPECT_EQ(tokens("", {",", true}), V{});
}

TEST(TokenizerSplitting, EmptyPiecesAreDroppedUnlessKept)
{
    EXPECT_EQ(tokens("a, b,,c"), (V{"a", "b", "c"}));
    EXPECT_EQ(tokens("a, b,,c", {",", true}), (V{"a", "b", "", "c"}));
    EXPECT_EQ(tokens(",a", {",", true}), (V{"", "a"}));
    EXPECT_EQ(tokens("a,", {",", true}), (V{"a"}));
}

TEST(TokenizerSplitting, TokensAreTrimmedOfBlanksAndTabsOnly)
{
    EXPECT_EQ(tokens(" \t a b \t,\tc "), (V{"a b", "c"}));
    EXPECT_EQ(tokens("a\n,b"), (V{"a\n", "b"}));
    EXPECT_EQ(tokens(" , ", {",", true}), (V{"", ""}));
}

TEST(TokenizerSplitting, AnyCharacterOfTheSeparatorsSplits)
{
    EXPECT_EQ(tokens("a b\tc\r\nd", {" \t\r\n"}), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(tokens("abc", {""}), (V{"abc"}));
    EXPECT_EQ(tokens("abc", {nullptr}), (V{"abc"}));
}

TEST(TokenizerSplitting, CallerTextIsLeftAlone)
{
    char text[] = "x=1, y";
    tokens(text);
    EXPECT_STREQ(text, "x=1, y");
}

TEST(TokenizerBrackets, GroupIsOneTokenAndBracketsDropUnlessKept)
{
    EXPECT_EQ(tokens("[a,b],c"), (V{"a,b", "c"}));
    EXPECT_EQ(tokens("[a,b],c", {",", false, false, false, true}), (V{"[a,b]", "c"}));
    EXPECT_EQ(tokens("x[a,b]y,c"), (V{"xa,by", "c"}));
}

TEST(TokenizerBrackets, GroupsNestAndHoldQuotes)
{
    EXPECT_EQ(tokens("[a,[b,c],d],e", {",", false, false, false, true}),
              (V{"[a,[b,c],d]", "e"}));
    EXPECT_EQ(tokens("[a,\"]\",b],c", {",", false, false, true, false}),
              (V{"a,\"]\",b", "c"}));
}

TEST(TokenizerBrackets, ClosingBracketAloneIsOrdinary)
{
    EXPECT_EQ(tokens("a],b"), (V{"a]", "b"}));
}

TEST(TokenizerQuotes, QuotedPartIsOneTokenAndQuotesStayWithEscapesOrKeeping)
{
    EXPECT_EQ(tokens("\"a,b\",c"), (V{"a,b", "c"}));
    EXPECT_EQ(tokens("\"a,b\",c", {",", false, true}), (V{"\"a,b\"", "c"}));
    EXPECT_EQ(tokens("\"a,b\",c", {",", false, false, true}), (V{"\"a,b\"", "c"}));
}

TEST(TokenizerQuotes, BracketInsideQuotesIsOrdinary)
{
    EXPECT_EQ(tokens("\"[a\",b"), (V{"[a", "b"}));
}

TEST(TokenizerEscapes, BackslashMakesTheNextCharacterOrdinary)
{
    Options escapes{",", false, true};
    EXPECT_EQ(tokens("a\\,b,c", escapes), (V{"a,b", "c"}));
    EXPECT_EQ(tokens("\\[a,b", escapes), (V{"[a", "b"}));
    EXPECT_EQ(tokens("\\\"a,b", escapes), (V{"\"a", "b"}));
    EXPECT_EQ(tokens("a\\\\,b", escapes), (V{"a\\", "b"}));
    EXPECT_EQ(tokens("\"x\\\"y\",z", escapes), (V{"\"x\"y\"", "z"}));
}

TEST(TokenizerEscapes, BackslashIsOrdinaryWithoutEscapes)
{
    EXPECT_EQ(tokens("a\\,b"), (V{"a\\", "b"}));
    EXPECT_EQ(tokens("a\\"), (V{"a\\"}));
}

TEST(TokenizerEscapes, TokensMayBeKeptAfterTheCall)
{
    std::vector<String> kept;
    stdTokenizeString("one,two", ",", False, False,
                      [](String token, Pointer data) {
                          static_cast<std::vector<String> *>(data)->push_back(token);
                      },
                      &kept, False, False);
    ASSERT_EQ(kept.size(), 2u);
    tokens("overwrite,the,heap,a,little");
    EXPECT_STREQ(kept[0], "one");
    EXPECT_STREQ(kept[1], "two");
}

TEST(TokenizerCopies, ReleasingThemLeavesTheTokenizerUsable)
{
    EXPECT_EQ(tokens("a,b"), (V{"a", "b"}));
    stdTokenizeReleaseCopies();
    /* A second release right away finds nothing left to free. */
    stdTokenizeReleaseCopies();
    EXPECT_EQ(tokens("c, [d,e]"), (V{"c", "d,e"}));
    stdTokenizeReleaseCopies();
    EXPECT_EQ(tokens("f"), V{"f"});
}

class TokenizerErrors : public ::testing::Test {
protected:
    void SetUp() override { msgSetToolName(kTool); }
};

TEST_F(TokenizerErrors, TrailingBackslashIsFatal)
{
    EXPECT_EXIT(tokens("a,b\\", {",", false, true}), ::testing::ExitedWithCode(1),
                fatal("Stray '\\' character"));
}

TEST_F(TokenizerErrors, UnclosedBracketIsFatal)
{
    EXPECT_EXIT(tokens("a,[b,[c]"), ::testing::ExitedWithCode(1), fatal("Stray '[' character"));
}

TEST_F(TokenizerErrors, UnclosedQuoteIsFatal)
{
    EXPECT_EXIT(tokens("a,\"b,c"), ::testing::ExitedWithCode(1), fatal("Stray '\"' character"));
    EXPECT_EXIT(tokens("[\"a]"), ::testing::ExitedWithCode(1), fatal("Stray '\"' character"));
}

}  // namespace
