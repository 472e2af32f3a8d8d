/*
 * lumcc-extract's command line, run end to end: help and version output,
 * the tool name, and the option checks with their order and exit statuses.
 */
#include <regex>

#include <gtest/gtest.h>

#include "extractRun.h"
#include "toolHelpListing.h"

namespace {

std::string helpFor(const std::string &toolName)
{
    return "\nUsage  : " + toolName + testsupport::toolHelpListing + "\n";
}

class ExtractCommandLine : public ::testing::Test {
protected:
    ScratchDir scratch;
    ToolRun run(const std::vector<std::string> &args) { return runTool(args, fixtureDir()); }
};

/* ------------------------------------------------------------------ help */

TEST_F(ExtractCommandLine, HelpIsTheUsageLineAndTheListing)
{
    ToolRun r = run({ "--help" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, helpFor("lumcc-extract"));
    EXPECT_EQ(r.err, "");
}

TEST_F(ExtractCommandLine, ShortHelpGivesTheSameText)
{
    ToolRun r = run({ "-h" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, helpFor("lumcc-extract"));
}

TEST_F(ExtractCommandLine, HelpWinsOverEveryOtherMistake)
{
    ToolRun r = run({ "--bogus", "--help", "a", "b", "--info", "-o", "x", "--mcpu", "nosuch" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, helpFor("lumcc-extract"));
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(pathExists(fixture("x")));
}

TEST_F(ExtractCommandLine, HelpWinsOverVersion)
{
    ToolRun r = run({ "--version", "--help" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, helpFor("lumcc-extract"));
}

TEST_F(ExtractCommandLine, ToolNameOptionRenamesTheUsageLine)
{
    ToolRun r = run({ "--tool-name", "/a/b/foo.sh", "--help" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, helpFor("foo"));
}

/* --------------------------------------------------------------- version */

TEST_F(ExtractCommandLine, VersionIsFourLinesWithTheBuildStamp)
{
    ToolRun r = run({ "--version" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::smatch m;
    std::regex shape("lumcc-extract: [^\n]+\n"
                     "[^\n]*([0-9]{4})[^\n0-9]*\n"
                     "Built on [A-Z][a-z]{2}_[A-Z][a-z]{2}_[0-9]{2}_[0-9]{2}:[0-9]{2}:[0-9]{2}_UTC_([0-9]{4})\n"
                     "lumcc-extract version 2\\.3\\.0\\.10\n");
    ASSERT_TRUE(std::regex_match(r.out, m, shape)) << r.out;
    EXPECT_EQ(m[1].str(), m[2].str()) << "the notice must close with the build year";
}

TEST_F(ExtractCommandLine, VersionFollowsTheToolNameExceptOnItsLastLine)
{
    ToolRun r = run({ "-V", "--bogus", "--tool-name=./x.tool" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("x: ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nlumcc-extract version 2.3.0.10\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

/* ------------------------------------------------------------- tool name */

TEST_F(ExtractCommandLine, ToolNameComesFromTheProgramPath)
{
    RunSetup setup;
    setup.program = "./x.tool";
    ToolRun r = runTool({}, fixtureDir(), setup);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "x fatal   : No input file\n");
}

TEST_F(ExtractCommandLine, ToolNameOptionRenamesDiagnostics)
{
    ToolRun r = run({ "--tool-name", "dir.d/renamed", "prog.exe" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "renamed fatal   : No value specified for option 'output-file'\n");
}

/* ------------------------------------------------------------ validation */

TEST_F(ExtractCommandLine, NoArgumentsIsNoInputFile)
{
    ToolRun r = run({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, diag("fatal", "No input file"));
}

TEST_F(ExtractCommandLine, NoInputFileComesBeforeUnknownOptions)
{
    ToolRun r = run({ "--bogus", "-o", "x" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "No input file"));
}

TEST_F(ExtractCommandLine, UnknownOptionsAreReportedAndStopTheRunWith255)
{
    std::string out = scratch.file("out.bin");
    ToolRun r = run({ "--bogus", "prog.exe", "-o", out, "-zz=3", "--app-name", "vecadd",
                      "--mcpu", "tk-lum-tv7" });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, diag("error", "Unknown option '--bogus'") + diag("error", "Unknown option '-zz=3'"));
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(pathExists(out));
}

/* The stop comes before the input is read: an input that would be refused
 * draws no complaint, and info mode prints nothing. */
TEST_F(ExtractCommandLine, UnknownOptionsStopTheRunBeforeTheInputIsRead)
{
    ToolRun r = run({ "--bogus", "empty", "-o", scratch.file("o") });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, diag("error", "Unknown option '--bogus'"));

    r = run({ "--info", "--bogus", "prog.exe" });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, diag("error", "Unknown option '--bogus'"));
}

TEST_F(ExtractCommandLine, UnknownOptionIsQuotedWithItsValue)
{
    ToolRun r = run({ "--bogus=3", "prog.exe", "-o", scratch.file("o") });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, diag("error", "Unknown option '--bogus=3'"));
}

TEST_F(ExtractCommandLine, UnknownOptionsAreReportedBeforeTheInputCountCheck)
{
    ToolRun r = run({ "--zz", "a", "b" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("error", "Unknown option '--zz'") + diag("fatal", "Expected one input file"));
}

TEST_F(ExtractCommandLine, TwoInputsAreRefused)
{
    ToolRun r = run({ "prog.exe", "prog.a", "-o", scratch.file("o") });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Expected one input file"));
}

TEST_F(ExtractCommandLine, ExtractionNeedsAnOutputFile)
{
    ToolRun r = run({ "prog.exe", "--app-name", "vecadd" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "No value specified for option 'output-file'"));
}

TEST_F(ExtractCommandLine, InfoModeRefusesExtractionOptions)
{
    const std::vector<std::vector<std::string>> extras = {
        { "-o", scratch.file("o") }, { "--output-file=x" }, { "--app-name", "vecadd" },
        { "--mcpu", "tk-lum-tv7" }, { "--lum-proc-attr" }, { "-pa" },
    };
    for (const auto &extra : extras) {
        std::vector<std::string> args = { "--info", "prog.exe" };
        args.insert(args.end(), extra.begin(), extra.end());
        ToolRun r = run(args);
        EXPECT_EQ(r.status, 1) << extra[0];
        EXPECT_EQ(r.err, diag("fatal", "Unrecognized arguments for info mode")) << extra[0];
        EXPECT_EQ(r.out, "") << extra[0];
    }
    EXPECT_FALSE(pathExists(scratch.file("o")));
}

TEST_F(ExtractCommandLine, InfoModeNeedsNoOutputFile)
{
    ToolRun r = run({ "-i", "prog.exe" });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "prog.exe is a LUM executable containing the following apps:\n"
                     "App: vecadd, Supported targets: tk-lum-tv7 tk-lum-gw3\n"
                     "App: reduce, Supported targets: tk-lum-tv7\n");
}

TEST_F(ExtractCommandLine, UnknownOptionThenMissingInputEndsWithTheInputMessage)
{
    ToolRun r = run({ "--bogus", "in.o", "-o", scratch.file("o") });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("error", "Unknown option '--bogus'")
                         + diag("fatal", "'in.o': No such file or directory"));
}

TEST_F(ExtractCommandLine, LoneDashIsAnInputName)
{
    ToolRun r = run({ "-", "-o", scratch.file("o") });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "'-': No such file or directory"));
}

TEST_F(ExtractCommandLine, OptionLibraryComplaintsEndTheRun)
{
    ToolRun r = run({ "prog.exe", "-o", scratch.file("o"), "--mcpu" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "argument expected after '--mcpu'"));

    r = run({ "prog.exe", "--info=yes" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "no argument expected after '--info'"));
}

TEST_F(ExtractCommandLine, OptionsFileSuppliesTheWholeCommand)
{
    std::string out = scratch.file("vecadd gw3.elf");
    writeText(scratch.file("args"), "--app-name vecadd\n--mcpu tk-lum-gw3\n-o \"" + out + "\"\nprog.exe\n");
    ToolRun r = run({ "-optf", scratch.file("args") });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readBytes(out), readBytes(fixture("dev_vecadd_gw3.elf")));
}

TEST_F(ExtractCommandLine, MissingOptionsFileEndsTheRun)
{
    ToolRun r = run({ "--options-file", "nosuch.args", "prog.exe", "-o", scratch.file("o") });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Could not open options file 'nosuch.args'"));
}

TEST_F(ExtractCommandLine, OptionsFileQuotesAndBracketsMakeOneArgument)
{
    for (const std::string &value : { std::string("\"my app\""), std::string("[my app]") }) {
        writeText(scratch.file("args"), "--app-name " + value + " -o " + scratch.file("out") + " prog.exe\n");
        ToolRun r = run({ "-optf", scratch.file("args") });
        EXPECT_EQ(r.status, 1) << value;
        EXPECT_EQ(r.out, "") << value;
        EXPECT_EQ(r.err, diag("fatal", "Cannot find app 'my app' in 'prog.exe'")) << value;
        EXPECT_FALSE(pathExists(scratch.file("out"))) << value;
    }
}

TEST_F(ExtractCommandLine, OptionsFileMistakesEndTheRun)
{
    std::string self = scratch.file("self.args");
    writeText(self, "--options-file " + self + "\n");
    ToolRun r = run({ "-optf", self, "prog.exe", "--info" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, diag("fatal", "Too many options file opened '" + self + "'"));

    writeText(scratch.file("quote.args"), "--app-name \"my app\n");
    r = run({ "-optf", scratch.file("quote.args"), "prog.exe", "-o", scratch.file("o") });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Stray '\"' character"));

    writeText(scratch.file("bracket.args"), "--app-name [my app\n");
    r = run({ "-optf", scratch.file("bracket.args"), "prog.exe", "-o", scratch.file("o") });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, diag("fatal", "Stray '[' character"));
    EXPECT_FALSE(pathExists(scratch.file("o")));
}

TEST_F(ExtractCommandLine, LaterValueOfAnOptionWins)
{
    std::string out = scratch.file("o");
    ToolRun r = run({ "prog.exe", "--app-name", "reduce", "--app-name=vecadd", "--mcpu", "tk-lum-tv7",
                      "-o", out });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, diag("warning", "incompatible redefinition for option 'app-name', "
                                     "the last value of this option was used"));
    EXPECT_EQ(readBytes(out), readBytes(fixture("dev_vecadd_tv7.elf")));
}

} // namespace
