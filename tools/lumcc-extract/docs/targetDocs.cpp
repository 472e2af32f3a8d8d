// Build-time generator of the tool's man page and bash completion: fills a
// template with the version and with the target names the registry accepts
// after --mcpu, so that the names are written down nowhere but the registry.
//
//   lumcc-target-docs TEMPLATE OUTPUT VERSION
//
// Placeholders:
//   @LUM_VERSION@       the version
//   @LUM_TARGET_NAMES@  the target names, separated by blanks (for shell code)
//   @LUM_TARGET_LIST@   on a line of its own: one man page paragraph per
//                       target (name, full name, target ID)
// Any other "@LUM_" left in the result is an error. OUTPUT is replaced only
// when the whole text was written.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lumTargets.h"

namespace {

struct Target {
    LUM_ID id;
    std::string name;
    std::string fullName;
};

// Every target whose name --mcpu accepts, in ascending ID order. The invalid
// entry has a name too, but looking it up gives no target.
std::vector<Target> acceptedTargets()
{
    std::vector<Target> targets;
    for (int32_t id = 0; id < LUM_ID_INVALID; ++id) {
        const char *name = LumIdToName(static_cast<LUM_ID>(id));
        if (nameToLumId(name) == id) {
            targets.push_back({static_cast<LUM_ID>(id), name, getFullNameFromID(static_cast<LUM_ID>(id))});
        }
    }
    return targets;
}

// Text for a roff line: a backslash prints as itself, "-" as a minus sign
// (what the user types), and a leading "." or "'" as text, not a request.
std::string roffText(const std::string &text, bool minusSigns)
{
    std::string out = (!text.empty() && (text[0] == '.' || text[0] == '\'')) ? "\\&" : "";
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-' && minusSigns) {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

std::string namesForShell(const std::vector<Target> &targets)
{
    std::string names;
    for (const Target &target : targets) {
        names += (names.empty() ? "" : " ") + target.name;
    }
    return names;
}

std::string listForManPage(const std::vector<Target> &targets)
{
    std::string list;
    for (const Target &target : targets) {
        list += ".TP\n.B " + roffText(target.name, true) + "\n" + roffText(target.fullName, false) +
                ", target ID " + std::to_string(target.id) + ".\n";
    }
    return list;
}

void replaceAll(std::string &text, const std::string &placeholder, const std::string &value)
{
    for (size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

int fail(const std::string &what)
{
    std::fprintf(stderr, "lumcc-target-docs: %s\n", what.c_str());
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        return fail("usage: lumcc-target-docs TEMPLATE OUTPUT VERSION");
    }
    const std::string templatePath = argv[1], outputPath = argv[2], version = argv[3];

    std::ifstream in(templatePath, std::ios::binary);
    std::stringstream read;
    read << in.rdbuf();
    if (!in || in.bad()) {
        return fail("cannot read '" + templatePath + "'");
    }
    std::string text = read.str();

    std::vector<Target> targets = acceptedTargets();
    if (targets.empty() || targets.size() != static_cast<size_t>(getNumSupportedCPUs())) {
        return fail("the registry's target names do not match its target count");
    }
    replaceAll(text, "@LUM_VERSION@", version);
    replaceAll(text, "@LUM_TARGET_NAMES@", namesForShell(targets));
    replaceAll(text, "@LUM_TARGET_LIST@\n", listForManPage(targets));
    if (text.find("@LUM_") != std::string::npos) {
        return fail("'" + templatePath + "' holds an unknown placeholder");
    }

    const std::string partial = outputPath + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::remove(partial.c_str());
            return fail("cannot write '" + partial + "'");
        }
    }
    if (std::rename(partial.c_str(), outputPath.c_str()) != 0) {
        std::remove(partial.c_str());
        return fail("cannot replace '" + outputPath + "'");
    }
    return 0;
}
