/*
 * Damaged inputs: cut or overwritten copies of real LUM Programs. Whatever
 * the damage, the tool ends with status 0 or 1 and writes only its own
 * diagnostic lines: never a crash, never a sanitizer report.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <utility>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "extractRun.h"

namespace {

using ::testing::MatchesRegex;

/* The byte ranges that the readers interpret, from the fixture's facts
 * file ("hot=start-end,..."). */
std::vector<std::pair<size_t, size_t>> hotRanges(const std::string &fixtureName)
{
    std::vector<std::pair<size_t, size_t>> ranges;
    std::string facts = readBytes(fixture(fixtureName + ".facts"));
    size_t at = facts.find("hot=");
    if (at == std::string::npos) {
        ADD_FAILURE() << "no hot ranges for " << fixtureName;
        return ranges;
    }
    const char *p = facts.c_str() + at + 4;
    while (*p >= '0' && *p <= '9') {
        char *end;
        size_t start = strtoull(p, &end, 10);
        size_t stop = strtoull(end + 1, &end, 10);
        ranges.emplace_back(start, stop);
        p = *end == ',' ? end + 1 : end;
    }
    return ranges;
}

/* Deterministic damage: the same seed gives the same inputs on every run.
 * Most overwrites land where the readers look (headers, tables, container
 * heads, attribute sections), the rest anywhere. */
class Damage {
public:
    Damage(uint64_t seed, std::vector<std::pair<size_t, size_t>> hot) : state_(seed), hot_(std::move(hot)) {}
    uint64_t next()
    {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return state_ >> 17;
    }
    /* Overwrites a few runs of bytes with random or extreme values. */
    std::string overwrite(std::string bytes)
    {
        int runs = 1 + (int)(next() % 4);
        for (int i = 0; i < runs; i++) {
            size_t at = next() % bytes.size();
            if (!hot_.empty() && next() % 8 != 0) {
                const auto &range = hot_[next() % hot_.size()];
                at = range.first + next() % (range.second - range.first);
            }
            if (at >= bytes.size()) {
                continue;
            }
            size_t length = 1 + next() % 8;
            unsigned char fill = (unsigned char)(next() % 3 == 0 ? 0xff : next());
            for (size_t k = at; k < bytes.size() && k < at + length; k++) {
                bytes[k] = (char)(next() % 2 ? fill : (unsigned char)next());
            }
        }
        return bytes;
    }

private:
    uint64_t state_;
    std::vector<std::pair<size_t, size_t>> hot_;
};

class ExtractDamagedInputs : public ::testing::Test {
protected:
    ScratchDir scratch;

    int refused = 0;  /* runs that ended with a diagnostic */

    /* Runs args on the damaged bytes and checks how the run ended. */
    void runOn(const std::string &bytes, const std::vector<std::string> &options, const std::string &what)
    {
        writeText(scratch.file("in"), bytes);
        std::vector<std::string> args = options;
        args.push_back("in");
        ToolRun r = runTool(args, scratch.path());
        EXPECT_TRUE(r.status == 0 || r.status == 1) << what << ": status " << r.status << "\n" << r.err;
        EXPECT_THAT(r.err, MatchesRegex("((lumcc-extract (fatal   |error   ): |Assertion failure at )[^\n]*\n)?"))
            << what;
        if (r.status != 0) {
            refused++;
            EXPECT_FALSE(pathExists(scratch.file("out"))) << what << ": output left after a failure";
        }
        unlink(scratch.file("out").c_str());
    }

    void damageAll(const std::string &fixtureName, uint64_t seed, int variants,
                   const std::vector<std::vector<std::string>> &modes)
    {
        const std::string original = readBytes(fixture(fixtureName));
        ASSERT_FALSE(original.empty());
        Damage damage(seed, hotRanges(fixtureName));
        for (int v = 0; v < variants; v++) {
            std::string bytes = damage.overwrite(original);
            runOn(bytes, modes[v % modes.size()], fixtureName + " variant " + std::to_string(v));
        }
        /* the damage has to reach the readers for these runs to mean anything */
        EXPECT_GT(refused, variants / 10) << fixtureName;
        std::printf("%s: %d of %d damaged variants refused\n", fixtureName.c_str(), refused, variants);
        for (int cut = 1; cut < 24; cut++) {
            size_t length = original.size() * cut / 24;
            runOn(original.substr(0, length), modes[cut % modes.size()],
                  fixtureName + " cut at " + std::to_string(length));
        }
    }
};

const std::vector<std::vector<std::string>> programModes = {
    { "--info" },
    { "--app-name", "vecadd", "--mcpu", "tk-lum-gw3", "-o", "out" },
    { "--app-name", "vecadd", "--mcpu", "tk-lum-tv7", "-pa", "-o", "out" },
};

TEST_F(ExtractDamagedInputs, OverwrittenOrCutExecutable)
{
    damageAll("prog.exe", 1, 150, programModes);
}

TEST_F(ExtractDamagedInputs, OverwrittenOrCutArchive)
{
    damageAll("prog.a", 2, 150, programModes);
}

TEST_F(ExtractDamagedInputs, OverwrittenBareDeviceElves)
{
    damageAll("bare.exe", 3, 150, { { "--info" }, { "--app-name", "solo", "-o", "out" } });
}

} // namespace
