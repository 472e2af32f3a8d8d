/* Values: conversion by type with its messages, domains, defaults, lists,
 * keyword options and the getters with their size checks. */
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <cmath>
#include <map>
#include <string>
#include <vector>
#include "cmdopt_helpers.h"
#include "stdCmdOpt.h"
#include "stdMessages.h"

using namespace cmdopttest;

namespace {

using V = std::vector<std::string>;

cmdoptTable single(uInt32 type, const char *domain = nullptr, const char *defaultValue = nullptr)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "value", "v", type, cmdoptSingleValue, 0, domain, nullptr, defaultValue,
                    nullptr, nullptr, "value");
    return table;
}

template <typename T> T read(cmdoptTable table, const char *name = "value")
{
    T result{};
    cmdoptGetOptionValue(table, name, &result);
    return result;
}

template <typename T> T parsed(uInt32 type, const char *text)
{
    cmdoptTable table = single(type);
    parse(table, {"--value", text});
    return read<T>(table);
}

void expectFatal(uInt32 type, const char *text, const std::string &message,
                 const char *domain = nullptr)
{
    cmdoptTable table = single(type, domain);
    EXPECT_EXIT(parse(table, {"--value", text}), ::testing::ExitedWithCode(1), fatal(message))
        << "value text " << text;
}

TEST(Conversion, IntegersUseTheBaseOfTheirPrefix)
{
    EXPECT_EQ(parsed<Int32>(cmdoptInt, "0x10"), 16);
    EXPECT_EQ(parsed<Int32>(cmdoptInt, "010"), 8);
    EXPECT_EQ(parsed<Int32>(cmdoptInt, " -42"), -42);
    EXPECT_EQ(parsed<Int32>(cmdoptInt, ""), 0);
    EXPECT_EQ(parsed<Int32>(cmdoptInt, "-2147483648"), INT32_MIN);
    EXPECT_EQ(parsed<uInt32>(cmdoptHex, "0xFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(parsed<uInt32>(cmdoptHex08, "255"), 255u);
    EXPECT_EQ(parsed<Int64>(cmdoptInt64, "-0x8000000000000000"), INT64_MIN);
    EXPECT_EQ(parsed<uInt64>(cmdoptHex64, "0xFFFFFFFFFFFFFFFF"), UINT64_MAX);
}

TEST(Conversion, BooleansAndFloats)
{
    EXPECT_EQ(parsed<Bool>(cmdoptBool, "true"), 1);
    EXPECT_EQ(parsed<Bool>(cmdoptBool, "false"), 0);
    EXPECT_FLOAT_EQ(parsed<float>(cmdoptFloat, "2.5e3"), 2500.0f);
    EXPECT_TRUE(std::isinf(parsed<float>(cmdoptFloat, "1e300")));
    EXPECT_TRUE(std::isinf(parsed<float>(cmdoptFloat, "-1e300")));
}

class ConversionErrors : public ::testing::Test {
protected:
    void SetUp() override { msgSetToolName(kTool); }
};

TEST_F(ConversionErrors, TrailingCharactersAreNotANumber)
{
    expectFatal(cmdoptInt, "12abc", "'12abc': expected a number");
    expectFatal(cmdoptHex64, "0x", "'0x': expected a number");
    expectFatal(cmdoptFloat, "1.5f", "'1.5f': expected a number");
}

TEST_F(ConversionErrors, RangesByType)
{
    expectFatal(cmdoptHex, "4294967296", "32-bit hex value (4294967296) out of range");
    expectFatal(cmdoptHex, "-1", "32-bit hex value (-1) out of range");
    expectFatal(cmdoptInt, "2147483648", "32-bit integer value (2147483648) out of range");
    expectFatal(cmdoptInt, "-2147483649", "32-bit integer value (-2147483649) out of range");
    expectFatal(cmdoptInt64, "9223372036854775808",
                "64-bit integer value (9223372036854775808) out of range");
    expectFatal(cmdoptHex64, "0x10000000000000000",
                "64-bit hex value (0x10000000000000000) out of range");
}

TEST_F(ConversionErrors, BooleansAreSpelledExactly)
{
    expectFatal(cmdoptBool, "TRUE", "'TRUE': expected true or false");
    expectFatal(cmdoptBool, "1", "'1': expected true or false");
}

TEST_F(ConversionErrors, ValuesOutsideTheDomain)
{
    expectFatal(cmdoptString, "c", "Value 'c' is not defined for option 'value'", "a,b");
    expectFatal(cmdoptString, "A", "Value 'A' is not defined for option 'value'", "a,b");
    expectFatal(cmdoptInt, "3", "Value '3' is not defined for option 'value'", "1,2");
    expectFatal(cmdoptHex64, "0x3", "Value '0x3' is not defined for option 'value'", "1,2");
}

TEST_F(ConversionErrors, DomainTextsAreCheckedWhenDefined)
{
    EXPECT_EXIT(single(cmdoptHex, "1,0x100000000"), ::testing::ExitedWithCode(1),
                fatal("32-bit unsigned integer value (0x100000000) out of range"));
    EXPECT_EXIT(single(cmdoptHex64, "-"), ::testing::ExitedWithCode(1),
                fatal("'-': expected a number"));
    EXPECT_EXIT(single(cmdoptInt, "1,x"), ::testing::ExitedWithCode(1),
                fatal("'x': expected a number"));
    EXPECT_EXIT(single(cmdoptInt, "1", "2"), ::testing::ExitedWithCode(1),
                fatal("Value '2' is not defined for option 'value'"));
}

TEST(Domains, NumbersMatchByValueAndCaseInsensitiveTextsTakeTheDomainSpelling)
{
    cmdoptTable hex = single(cmdoptHex, "0x10, 0xFFFFFFFF");
    parse(hex, {"--value", "4294967295"});
    EXPECT_EQ(read<uInt32>(hex), 0xFFFFFFFFu);

    cmdoptTable wide = single(cmdoptInt64, "-1,0x7fffffffffffffff");
    parse(wide, {"--value", "9223372036854775807"});
    EXPECT_EQ(read<Int64>(wide), INT64_MAX);

    cmdoptTable text = single(cmdoptCIString, "Fast,Small");
    parse(text, {"--value", "sMALL"});
    EXPECT_STREQ(read<String>(text), "Small");
}

TEST(Defaults, ReadWhenNotGivenAndReplacedWhenGiven)
{
    cmdoptTable table = single(cmdoptInt, nullptr, "7");
    EXPECT_FALSE(cmdoptOnCommandLine(table, "value"));
    EXPECT_TRUE(cmdoptGetOptionValue(table, "value", (Int32 *)nullptr));
    EXPECT_EQ(read<Int32>(table), 7);
    parse(table, {"--value", "9"});
    EXPECT_EQ(read<Int32>(table), 9);
}

TEST(Defaults, ListDefaultIsSplitAndGivenValuesReplaceIt)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "inc", "I", cmdoptString, cmdoptListValue, 0, nullptr, nullptr, "a,b",
                    nullptr, nullptr, "includes");
    EXPECT_EQ(stringList(table, "inc"), (V{"a", "b"}));
    EXPECT_EQ(cmdoptGetOptionPositionList(table, "inc"), nullptr);
    parse(table, {"-I", "c"});
    EXPECT_EQ(stringList(table, "inc"), V{"c"});
}

TEST(Defaults, AbsentValuesReadAsZeroAndFalse)
{
    cmdoptTable table = single(cmdoptInt64);
    Int64 value = 5;
    EXPECT_FALSE(cmdoptGetOptionValue(table, "value", &value));
    EXPECT_EQ(value, 0);
    cmdoptTable list = newTable();
    stdList values = (stdList)&value;
    EXPECT_FALSE(cmdoptGetOptionValue(list, cmdoptPositionalName, &values));
    EXPECT_EQ(values, nullptr);
}

TEST(ResultWidths, IntegersTruncateOrZeroExtend)
{
    cmdoptTable table = single(cmdoptInt);
    parse(table, {"--value", "-1"});
    EXPECT_EQ(read<uInt64>(table), 0x00000000FFFFFFFFull);
    EXPECT_EQ(read<uInt16>(table), 0xFFFFu);
    cmdoptTable wide = single(cmdoptHex64);
    parse(wide, {"--value", "0x1122334455667788"});
    EXPECT_EQ(read<uInt32>(wide), 0x55667788u);
    EXPECT_EQ(read<uInt8>(wide), 0x88u);
}

TEST(ResultWidths, NoValueOptionWritesItsResultInTheRequestedWidth)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "count", "c", cmdoptInt, cmdoptNoValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "switch");
    parse(table, {"-c"});
    uInt64 value = ~0ull;
    EXPECT_TRUE(cmdoptGetOptionValue(table, "count", &value));
    EXPECT_EQ(value, 1u);
}

class GetterMisuse : public ::testing::Test {
protected:
    void SetUp() override { msgSetToolName(kTool); }
};

#define ASSERTION(text) "Assertion failure at .*stdCmdOpt.*, line [0-9]+: " text "\n"

TEST_F(GetterMisuse, WrongSizesAndNamesFailAnAssertion)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "flag", "f", cmdoptBool, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "flag");
    cmdoptAddOption(table, "ratio", "r", cmdoptFloat, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "ratio");
    cmdoptAddOption(table, "count", "c", cmdoptInt, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "count");
    cmdoptAddOption(table, "files", "F", cmdoptOptionsFile, cmdoptSingleValue, 0, nullptr,
                    nullptr, nullptr, nullptr, nullptr, "files");
    char buffer[16];
    EXPECT_EXIT(_cmdoptGetOptionValue(table, "flag", buffer, 4), ::testing::ExitedWithCode(1),
                ASSERTION("cmdoptGetOptionValue for flag: unexpected size for Bool result"));
    EXPECT_EXIT(_cmdoptGetOptionValue(table, "ratio", buffer, 8), ::testing::ExitedWithCode(1),
                ASSERTION("cmdoptGetOptionValue for ratio: unexpected size for Float result"));
    EXPECT_EXIT(_cmdoptGetOptionValue(table, "count", buffer, 3), ::testing::ExitedWithCode(1),
                ASSERTION("cmdoptGetOptionValue for count: unexpected size for integer result"));
    EXPECT_EXIT(_cmdoptGetOptionValue(table, " ", buffer, 4), ::testing::ExitedWithCode(1),
                ASSERTION("cmdoptGetOptionValue for  : unexpected size for String result"));
    EXPECT_EXIT(_cmdoptGetOptionValue(table, "files", buffer, 8), ::testing::ExitedWithCode(1),
                ASSERTION("cmdoptOptionsFile type not allowed for cmdoptGetOptionValue"));
    EXPECT_EXIT(cmdoptOnCommandLine(table, "nothing"), ::testing::ExitedWithCode(1),
                ASSERTION("Unknown option requested: nothing"));
    EXPECT_EXIT(cmdoptSetFlags(table, "nothing", 1), ::testing::ExitedWithCode(1),
                ASSERTION("Unknown option requested: nothing"));
    EXPECT_EXIT(cmdoptGetOptionPositionList(table, "count"), ::testing::ExitedWithCode(1),
                ASSERTION("must be ListValue"));
}

TEST_F(GetterMisuse, RequiredOptionWithoutValue)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "target", "t", cmdoptString, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "target");
    cmdoptSetFlags(table, "target", cmdoptRequired);
    String value = nullptr;
    EXPECT_EXIT(cmdoptGetOptionValue(table, "target", &value), ::testing::ExitedWithCode(1),
                fatal("No value specified for option 'target'"));
    parse(table, {"-t", "x"});
    EXPECT_TRUE(cmdoptGetOptionValue(table, "target", &value));
    EXPECT_STREQ(value, "x");
}

TEST_F(GetterMisuse, BadDefinitionsFailAnAssertion)
{
    cmdoptTable table = newTable();
    EXPECT_EXIT(cmdoptAddOption(table, "o", "O", cmdoptInt, cmdoptNoValue, cmdoptSingleLetter,
                                nullptr, nullptr, nullptr, nullptr, nullptr, ""),
                ::testing::ExitedWithCode(1),
                ASSERTION("Single letter option 'o' cannot have mode 'NoValue'"));
    EXPECT_EXIT(cmdoptAddOption(table, "o", "Ox", cmdoptInt, cmdoptSingleValue,
                                cmdoptSingleLetterOptional, nullptr, nullptr, nullptr, nullptr,
                                nullptr, ""),
                ::testing::ExitedWithCode(1),
                ASSERTION("Single letter option 'o' must have a single= letter short name"));
    EXPECT_EXIT(cmdoptAddOption(table, nullptr, "x", cmdoptInt, cmdoptSingleValue, 0, nullptr,
                                nullptr, nullptr, nullptr, nullptr, ""),
                ::testing::ExitedWithCode(1), ASSERTION("No empty string for option names allowed"));
    EXPECT_EXIT(cmdoptAddOption(table, " ", "y", cmdoptInt, cmdoptSingleValue, 0, nullptr,
                                nullptr, nullptr, nullptr, nullptr, ""),
                ::testing::ExitedWithCode(1), ASSERTION("Duplicate option defined:  "));
    EXPECT_EXIT(cmdoptAddOption(table, "z", "__internal_unknown_opt", cmdoptInt,
                                cmdoptSingleValue, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                                ""),
                ::testing::ExitedWithCode(1),
                ASSERTION("Duplicate short option defined: __internal_unknown_opt"));
    EXPECT_EXIT(cmdoptAddOption(table, "t", "t", 10, cmdoptSingleValue, 0, nullptr, nullptr,
                                nullptr, nullptr, nullptr, ""),
                ::testing::ExitedWithCode(1), ASSERTION("Case label out of range"));
    EXPECT_EXIT(cmdoptAddOption(table, "m", "m", cmdoptInt, 5, 0, nullptr, nullptr, nullptr,
                                nullptr, nullptr, ""),
                ::testing::ExitedWithCode(1), ASSERTION("Case label out of range"));
}

TEST(Overrides, SameValueIsSilentAndTheLastValueWins)
{
    cmdoptTable table = single(cmdoptString);
    parse(table, {"--value", "a", "-v=a"});
    EXPECT_STREQ(read<String>(table), "a");
    cmdoptTable numbers = single(cmdoptInt64);
    parse(numbers, {"--value", "16", "-v", "0x10"});
    EXPECT_EQ(read<Int64>(numbers), 16);
}

TEST_F(ConversionErrors, DifferentValueWarnsAndTheLastValueWins)
{
    cmdoptTable table = single(cmdoptString);
    EXPECT_EXIT(
        {
            parse(table, {"--value", "a", "--value", "b"});
            exit(strcmp(read<String>(table), "b") == 0 ? 3 : 4);
        },
        ::testing::ExitedWithCode(3),
        diagnostic("warning ", "incompatible redefinition for option 'value', the last value of "
                               "this option was used"));
}

TEST_F(ConversionErrors, TextGivenAfterABareSingleLetterWarnsAndWins)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "opt", "O", cmdoptString, cmdoptSingleValue, cmdoptSingleLetterOptional,
                    nullptr, nullptr, nullptr, nullptr, nullptr, "optimise");
    EXPECT_EXIT(
        {
            parse(table, {"-O", "-Ofast"});
            String value = nullptr;
            cmdoptGetOptionValue(table, "opt", &value);
            exit(value != nullptr && strcmp(value, "fast") == 0 ? 3 : 4);
        },
        ::testing::ExitedWithCode(3),
        diagnostic("warning ", "incompatible redefinition for option 'opt', the last value of "
                               "this option was used"));
    cmdoptTable bareTwice = newTable();
    cmdoptAddOption(bareTwice, "opt", "O", cmdoptString, cmdoptSingleValue,
                    cmdoptSingleLetterOptional, nullptr, nullptr, nullptr, nullptr, nullptr,
                    "optimise");
    parse(bareTwice, {"-O", "-O"});
    String value = nullptr;
    EXPECT_TRUE(cmdoptGetOptionValue(bareTwice, "opt", &value));
    EXPECT_EQ(value, nullptr);
}

TEST(Lists, SplitAtCommasWithQuotesAndBrackets)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "plain", "p", cmdoptString, cmdoptListValue, 0, nullptr, nullptr,
                    nullptr, nullptr, nullptr, "");
    cmdoptAddOption(table, "kept", "k", cmdoptString, cmdoptListValue,
                    cmdoptListKeepQuotes | cmdoptListKeepBrackets, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "");
    cmdoptAddOption(table, "esc", "e", cmdoptString, cmdoptListValue, cmdoptListEscapes, nullptr,
                    nullptr, nullptr, nullptr, nullptr, "");
    cmdoptAddOption(table, "whole", "w", cmdoptString, cmdoptListValue, cmdoptListWhole, nullptr,
                    nullptr, nullptr, nullptr, nullptr, "");
    parse(table, {"-p", "a, b,,c", "-p", "[a,b],c", "-p", "\"a,b\",c",
                  "-k", "[a,b],\"c,d\"",
                  "-e", "x\\,y,\"a,b\",z\\\\",
                  "-w", "a,b", "-w", "[c"});
    EXPECT_EQ(stringList(table, "plain"), (V{"a", "b", "c", "a,b", "c", "a,b", "c"}));
    EXPECT_EQ(stringList(table, "kept"), (V{"[a,b]", "\"c,d\""}));
    EXPECT_EQ(stringList(table, "esc"), (V{"x,y", "\"a,b\"", "z\\"}));
    EXPECT_EQ(stringList(table, "whole"), (V{"a,b", "[c"}));
}

TEST(Lists, NumbersAreConvertedPerElement)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "n", "n", cmdoptInt, cmdoptListValue, 0, "1,2,3", nullptr, nullptr,
                    nullptr, nullptr, "");
    parse(table, {"-n", "3,1", "-n", "2"});
    stdList list = nullptr;
    cmdoptGetOptionValue(table, "n", &list);
    std::vector<Int32> values;
    for (; list != nullptr; list = list->next) values.push_back((Int32)(intptr_t)list->element);
    EXPECT_EQ(values, (std::vector<Int32>{3, 1, 2}));
}

TEST_F(ConversionErrors, ListSplittingReportsStrayCharacters)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "p", "p", cmdoptString, cmdoptListValue, 0, nullptr, nullptr, nullptr,
                    nullptr, nullptr, "");
    EXPECT_EXIT(parse(table, {"-p", "a,[b"}), ::testing::ExitedWithCode(1),
                fatal("Stray '[' character"));
}

/* ---- Keyword options ---------------------------------------------------- */

std::map<std::string, Int32> keywords(stdMap map)
{
    std::map<std::string, Int32> result;
    mapTraverse(
        map,
        [](Pointer key, Pointer value, Pointer data) {
            (*static_cast<std::map<std::string, Int32> *>(data))[(const char *)key] =
                (Int32)(intptr_t)value;
        },
        &result);
    return result;
}

using KW = std::map<std::string, Int32>;

TEST(Keywords, PairsDefaultsAndImplicitValues)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "opt", "O", cmdoptInt, cmdoptKeywordValue, 0, nullptr, "a,b,c,d",
                    "a=1,b=2", "9", nullptr, "");
    stdMap map = nullptr;
    EXPECT_TRUE(cmdoptGetOptionValue(table, "opt", &map));
    EXPECT_EQ(keywords(map), (KW{{"a", 1}, {"b", 2}}));
    parse(table, {"--opt", "b,c,d=0x10"});
    cmdoptGetOptionValue(table, "opt", &map);
    EXPECT_EQ(keywords(map), (KW{{"a", 1}, {"b", 2}, {"c", 9}, {"d", 16}}));
}

TEST(Keywords, KeywordListsMergeTheDefaultIntoEachMap)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "set", "s", cmdoptInt, cmdoptKeywordListValue, 0, nullptr, nullptr,
                    "x=5", nullptr, nullptr, "");
    stdList maps = (stdList)1;
    EXPECT_FALSE(cmdoptGetOptionValue(table, "set", &maps));
    EXPECT_EQ(maps, nullptr);
    parse(table, {"--set", "y=1", "--set", "x=2,y=3"});
    EXPECT_TRUE(cmdoptGetOptionValue(table, "set", &maps));
    ASSERT_EQ(listSize(maps), 2u);
    EXPECT_EQ(keywords((stdMap)maps->element), (KW{{"x", 5}, {"y", 1}}));
    EXPECT_EQ(keywords((stdMap)maps->next->element), (KW{{"x", 2}, {"y", 3}}));
}

TEST_F(ConversionErrors, KeywordMistakes)
{
    cmdoptTable table = newTable();
    cmdoptAddOption(table, "opt", "O", cmdoptInt, cmdoptKeywordValue, 0, nullptr, "a,b", nullptr,
                    nullptr, nullptr, "");
    EXPECT_EXIT(parse(table, {"-O", "a"}), ::testing::ExitedWithCode(1),
                fatal("'a' is not in 'keyword=value' format"));
    EXPECT_EXIT(parse(table, {"-O", "a=1,a=2"}), ::testing::ExitedWithCode(1),
                fatal("redefinition of keyword 'a' "));
    EXPECT_EXIT(parse(table, {"-O", "q=1"}), ::testing::ExitedWithCode(1),
                fatal("Keyword 'q' is not defined for option 'opt'"));
    EXPECT_EXIT(parse(table, {"-O", "a=1", "-O", "b=2"}), ::testing::ExitedWithCode(1),
                fatal("redefinition of argument 'opt'"));
    EXPECT_EXIT(parse(table, {"-O", "a=z"}), ::testing::ExitedWithCode(1),
                fatal("'z': expected a number"));
}

}  // namespace
