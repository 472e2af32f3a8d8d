#include "cmdopt_helpers.h"

#include <deque>
#include <fstream>
#include <sstream>
#include <filesystem>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include "stdMessages.h"

namespace cmdopttest {

const char *const kTool = "cmdopt-test";

namespace {
/* Reachable from here for the life of the program: tables and argument
 * texts are never released by design. */
std::vector<cmdoptTable> *tables = new std::vector<cmdoptTable>;
std::deque<std::vector<char>> *argumentTexts = new std::deque<std::vector<char>>;
std::deque<std::vector<char *>> *argumentVectors = new std::deque<std::vector<char *>>;
}

cmdoptTable newTable(bool collectUnknown)
{
    msgSetToolName(kTool);
    cmdoptTable table = cmdoptCreate(collectUnknown ? True : False);
    tables->push_back(table);
    return table;
}

void parse(cmdoptTable table, const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>("prog"));
    for (const std::string &argument : arguments) {
        argumentTexts->emplace_back(argument.begin(), argument.end());
        argumentTexts->back().push_back('\0');
        argv.push_back(argumentTexts->back().data());
    }
    argv.push_back(nullptr);
    argumentVectors->push_back(argv);
    cmdoptParse(table, (Int)arguments.size() + 1, argumentVectors->back().data());
}

void parse(cmdoptTable table, std::initializer_list<const char *> arguments)
{
    std::vector<std::string> texts;
    for (const char *argument : arguments) texts.emplace_back(argument);
    parse(table, texts);
}

std::vector<std::string> listTexts(stdList list)
{
    std::vector<std::string> texts;
    for (; list != nullptr; list = list->next) texts.emplace_back((const char *)list->element);
    return texts;
}

std::vector<std::string> stringList(cmdoptTable table, const char *name)
{
    stdList list = nullptr;
    _cmdoptGetOptionValue(table, name, &list, sizeof list);
    return listTexts(list);
}

std::string captureStdout(const std::function<void()> &function)
{
    fflush(stdout);
    FILE *capture = tmpfile();
    int saved = dup(fileno(stdout));
    dup2(fileno(capture), fileno(stdout));
    function();
    fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::string text;
    rewind(capture);
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, capture)) > 0) text.append(buffer, count);
    fclose(capture);
    return text;
}

static std::string escapeRegex(const std::string &text)
{
    std::string escaped;
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string diagnostic(const char *classWord, const std::string &text)
{
    return "(^|\n)" + escapeRegex(std::string(kTool) + " " + classWord + ": " + text) + "\n";
}

std::string fatal(const std::string &text)
{
    return diagnostic("fatal   ", text);
}

}  // namespace cmdopttest
