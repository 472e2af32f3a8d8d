/* Helpers shared by the option library's tests. */
#ifndef cmdopt_helpers_INCLUDED
#define cmdopt_helpers_INCLUDED

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>
#include "stdCmdOpt.h"
#include "tempDir.h"

namespace cmdopttest {

/* The tool name the tests' diagnostics carry. */
extern const char *const kTool;

/* A new table that stays reachable for the rest of the test program
 * (tables are never released). */
cmdoptTable newTable(bool collectUnknown = false);

/* Parses the arguments (without the program name) into the table. The
 * argument texts are kept alive, since values point into them. */
void parse(cmdoptTable table, std::initializer_list<const char *> arguments);
void parse(cmdoptTable table, const std::vector<std::string> &arguments);

/* Reads a list value of texts. */
std::vector<std::string> stringList(cmdoptTable table, const char *name);
std::vector<std::string> listTexts(stdList list);

/* What the function printed on standard output. */
std::string captureStdout(const std::function<void()> &function);

/* Regex for one diagnostic line of the class word and the text, in which
 * regex characters are escaped. */
std::string diagnostic(const char *classWord, const std::string &text);
std::string fatal(const std::string &text);

using testsupport::TempDir;

}  // namespace cmdopttest

#endif
