/*
 * The bash completion installed with lumcc-extract, run in bash the way bash
 * runs it for the word under the cursor: it offers the options that --help
 * lists, the target names that --mcpu accepts, file names where a file is
 * expected and, after --app-name, the apps of the input on the line.
 */
#include <unistd.h>

#include <algorithm>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "childProcess.h"
#include "extractRun.h"
#include "lumTargets.h"
#include "toolHelpListing.h"

namespace {

using Words = std::vector<std::string>;

/* Loads the completion into a fresh bash, finds the function it registered
 * for lumcc-extract, and calls it with words (the cursor on word cursor, the
 * last one by default) in folder cwd. */
const char completeScript[] = R"(
source "$1" || exit 2
registration=$(complete -p lumcc-extract) || exit 3
function=${registration#*-F }
function=${function%% *}
cd "$2" || exit 4
cursor=$3
shift 3
COMP_WORDS=("$@")
COMP_CWORD=$(( cursor < 0 ? $# - 1 : cursor ))
COMP_LINE="$*"
COMP_POINT=${#COMP_LINE}
"$function" lumcc-extract "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
printf '%s\n' "${COMPREPLY[@]}"
)";

Words complete(const Words &words, const std::string &cwd = fixtureDir(), int cursor = -1)
{
    std::vector<std::string> args = {"bash", "--norc", "--noprofile", "-c", completeScript, "bash",
                                     LUM_EXTRACT_COMPLETION, cwd, std::to_string(cursor)};
    args.insert(args.end(), words.begin(), words.end());
    testsupport::ChildRun run = testsupport::runChild([&] {
        std::vector<char *> argv;
        for (std::string &arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        execv("/bin/bash", argv.data());
        _exit(127);
    });
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    Words candidates;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) {
            candidates.push_back(line);
        }
    }
    return candidates;
}

Words sorted(Words words)
{
    std::sort(words.begin(), words.end());
    return words;
}

/* The option names of the help listing: "--name" and, with shortForms, "-short". */
Words helpOptions(bool shortForms)
{
    Words options;
    std::istringstream lines(testsupport::toolHelpListing);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("--", 0) != 0) {
            continue;
        }
        options.push_back(line.substr(0, line.find(' ')));
        size_t open = line.find("(-"), close = line.find(')', open);
        if (shortForms && open != std::string::npos && close != std::string::npos) {
            options.push_back(line.substr(open + 1, close - open - 1));
        }
    }
    return sorted(options);
}

Words mcpuCandidates(const Words &words)
{
    Words line = {"lumcc-extract"};
    line.insert(line.end(), words.begin(), words.end());
    return complete(line);
}

/* ---------------------------------------------------------------- options */

TEST(ExtractCompletion, TwoDashesOfferTheLongOptionsOfTheHelpListing)
{
    Words offered = complete({"lumcc-extract", "--"});
    EXPECT_EQ(sorted(offered), helpOptions(false));
    EXPECT_EQ(std::count(offered.begin(), offered.end(), "--tool-name"), 0);
}

TEST(ExtractCompletion, OneDashAddsTheShortForms)
{
    EXPECT_EQ(sorted(complete({"lumcc-extract", "-"})), helpOptions(true));
}

TEST(ExtractCompletion, ATypedPrefixNarrowsTheOptions)
{
    EXPECT_EQ(sorted(complete({"lumcc-extract", "--o"})), (Words{"--options-file", "--output-file"}));
    EXPECT_EQ(complete({"lumcc-extract", "-p"}), (Words{"-pa"}));
    EXPECT_EQ(complete({"lumcc-extract", "--mcpu", "tk-lum-gw3", "--l"}), (Words{"--lum-proc-attr"}));
}

/* ----------------------------------------------------------------- targets */

TEST(ExtractCompletion, McpuOffersExactlyTheNamesTheToolAccepts)
{
    Words offered = mcpuCandidates({"--mcpu", ""});
    std::set<LUM_ID> ids;
    LUM_ID previous = static_cast<LUM_ID>(-1);
    for (const std::string &name : offered) {
        LUM_ID id = nameToLumId(name.c_str());
        EXPECT_NE(id, LUM_ID_INVALID) << name;
        EXPECT_GT(id, previous) << name << " is out of target ID order";
        previous = id;
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), static_cast<size_t>(getNumSupportedCPUs()));
    EXPECT_EQ(ids.size(), offered.size());
    EXPECT_EQ(mcpuCandidates({"-mcpu", ""}), offered);
}

TEST(ExtractCompletion, McpuValuesAreCompletedInEveryWayTheyCanBeWritten)
{
    EXPECT_EQ(mcpuCandidates({"--mcpu", "tk-lum-gw"}), (Words{"tk-lum-gw3", "tk-lum-gw4"}));
    EXPECT_EQ(mcpuCandidates({"-mcpu", "tk-lum-tv1"}), (Words{"tk-lum-tv10"}));
    // With "=" among the word breaks, bash splits "--mcpu=tk-lum-tv1".
    EXPECT_EQ(mcpuCandidates({"--mcpu", "=", "tk-lum-tv1"}), (Words{"tk-lum-tv10"}));
    EXPECT_EQ(mcpuCandidates({"--mcpu", "="}), mcpuCandidates({"--mcpu", ""}));
    // Without it the option stays in the word, and in the candidates.
    EXPECT_EQ(mcpuCandidates({"--mcpu=tk-lum-tv1"}), (Words{"--mcpu=tk-lum-tv10"}));
    // The invalid target's name is refused by the tool, so not offered.
    EXPECT_EQ(mcpuCandidates({"--mcpu", "generic"}), Words{});
}

/* ------------------------------------------------------------ file names */

TEST(ExtractCompletion, FileNamesWhereAFileIsExpected)
{
    ScratchDir scratch;
    writeText(scratch.file("alpha.elf"), "");
    writeText(scratch.file("alps.opts"), "");
    writeText(scratch.file("beta.a"), "");
    const Words both = {"alpha.elf", "alps.opts"};
    EXPECT_EQ(sorted(complete({"lumcc-extract", "-o", "al"}, scratch.path())), both);
    EXPECT_EQ(sorted(complete({"lumcc-extract", "--output-file", "=", "al"}, scratch.path())), both);
    EXPECT_EQ(sorted(complete({"lumcc-extract", "-optf", "al"}, scratch.path())), both);
    EXPECT_EQ(sorted(complete({"lumcc-extract", "-i", "al"}, scratch.path())), both);
    // An options-file list completes its last name.
    EXPECT_EQ(sorted(complete({"lumcc-extract", "--options-file", "beta.a,al"}, scratch.path())),
              (Words{"beta.a,alpha.elf", "beta.a,alps.opts"}));
    // Nothing is offered for the name that --tool-name takes.
    EXPECT_EQ(complete({"lumcc-extract", "--tool-name", "al"}, scratch.path()), Words{});
}

/* ------------------------------------------------------------------- apps */

TEST(ExtractCompletion, AppNamesComeFromTheInputOnTheLine)
{
    // The tool on the line lists the input's apps (prog.a: vecadd, reduce).
    const std::string tool = LUM_EXTRACT_BIN;
    EXPECT_EQ(complete({tool, "prog.a", "--app-name", ""}), (Words{"vecadd", "reduce"}));
    EXPECT_EQ(complete({tool, "--mcpu", "tk-lum-tv7", "prog.a", "-app-name", "re"}), (Words{"reduce"}));
    // The input may follow the word under the cursor; option values are not inputs.
    EXPECT_EQ(complete({tool, "--app-name", "v", "-o", "out.elf", "prog.a"}, fixtureDir(), 2),
              (Words{"vecadd"}));
    EXPECT_EQ(complete({tool, "-o", "prog.a", "--app-name", ""}), Words{});
    EXPECT_EQ(complete({tool, "noapps.exe", "--app-name", ""}), Words{});
}

} // namespace
