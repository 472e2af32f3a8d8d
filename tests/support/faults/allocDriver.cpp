/*
 * Runs one family of the support layer's operations, named by its argument,
 * and prints "done": the program the allocation-failure sweeps run with the
 * fault-injection library preloaded. Whatever allocation fails, a run must
 * print "done" and end with status 0, or end with the one fatal line
 * "Memory allocation failure" and status 1.
 */
#include <fcntl.h>
#include <stdlib.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <initializer_list>

#include "stdBitSet.h"
#include "stdCmdOpt.h"
#include "stdList.h"
#include "stdMap.h"
#include "stdMemSpace.h"
#include "stdMessages.h"
#include "stdProcess.h"
#include "stdSet.h"
#include "stdStdFun.h"
#include "stdString.h"
#include "stdThreads.h"

namespace {

void pages()
{
    stdMemSpace space = memspCreate("pages", nullptr, 0x1000);
    Pointer kept = nullptr;
    for (size_t size : { 8, 100, 1000, 4000, 5000, 70000, 300000 }) {
        Pointer block = memspMalloc(space, size);
        memspFree(kept);
        kept = block;
    }
    kept = memspRealloc(kept, 9000);
    memspFree(kept);
    memspDelete(space, False);
}

void valve()
{
    /* Pages of a MiB: each creation first takes a reserve of that size. */
    stdMemSpace space = memspCreate("valve", nullptr, 0x100000);
    for (int i = 0; i < 3; i++) memspMalloc(space, 0x100000);
    memspMalloc(space, 64);
    memspDelete(space, False);
}

void collections()
{
    stdMemSpace space = memspCreate("collections", nullptr, 0);
    for (stdMemSpace where : { memspNativeMemSpace, space }) {
        stdMemSpace saved = stdSwapMemSpace(where);
        stdMap map = mapCreate(stdIntHash, stdIntEqual, 2);
        stdSet set = setCreate(stdIntHash, stdIntEqual, 2);
        stdList list = nullptr;
        stdBitSet bits = bitSetCreate();
        stdString text = stringCreate(4);
        for (uInt64 i = 1; i <= 24; i++) {
            mapDefine(map, (Pointer)i, (Pointer)i);
            setInsert(set, (Pointer)i);
            listAddTo((Pointer)i, &list);
            bitSetInsert(bits, (uInt32)(i * 4099));
            stringAddFormat(text, "%llu,", (unsigned long long)i);
        }
        mapDelete(map);
        setDelete(set);
        listDelete(list);
        bitSetDelete(bits);
        stringDelete(text);
        stdSwapMemSpace(saved);
    }
    memspDelete(space, False);
}

void options()
{
    /* The options file is written without stdio, which would allocate. */
    char path[] = "/tmp/allocDriver.XXXXXX";
    int fd = mkstemp(path);
    const char text[] = "--name \"a b\" -l [x,y],z -l p\\ q --count=7 in1 in2\n";
    if (fd < 0 || write(fd, text, sizeof text - 1) != (ssize_t)(sizeof text - 1)) _exit(2);
    close(fd);
    cmdoptTable table = cmdoptCreate(False);
    cmdoptAddOption(table, "options-file", "f", cmdoptOptionsFile, cmdoptListValue, 0, nullptr,
                    nullptr, nullptr, nullptr, "<file>", "options file");
    cmdoptAddOption(table, "name", "n", cmdoptString, cmdoptSingleValue, 0, nullptr, nullptr,
                    "none", nullptr, nullptr, "name");
    cmdoptAddOption(table, "list", "l", cmdoptString, cmdoptListValue, cmdoptListEscapes, nullptr,
                    nullptr, nullptr, nullptr, nullptr, "list");
    cmdoptAddOption(table, "count", "c", cmdoptInt, cmdoptSingleValue, 0, nullptr, nullptr, "1",
                    nullptr, nullptr, "count");
    cmdoptAddOption(table, "mode", "m", cmdoptCIString, cmdoptKeywordValue, 0, "fast,small",
                    "a,b", nullptr, nullptr, nullptr, "mode");
    char program[] = "driver", option[] = "--options-file", mode[] = "-m", modeValue[] = "a=fast";
    String argv[] = { program, option, path, mode, modeValue, nullptr };
    cmdoptParse(table, 5, argv);
    unlink(path);
}

void messages()
{
    static char longText[3000];
    memset(longText, 'x', sizeof longText - 1);
    msgReport(cmdoptMsgDeprecated, longText);
    msgSourceStructure source = msgCreateSourceStructure("main.c");
    msgCppUpdateSourceStruct(source, 3, "inc.h", 1, "1");
    msgReportWithPos(cmdoptMsgDeprecated, msgPullSourcePos(source, 4), "y");
    msgDeleteSourceStructure(source);
}

void threadBody(Pointer data)
{
    Pointer block = stdMALLOC(100);
    memspFree(block);
    (void)data;
}

void threads()
{
    for (int i = 0; i < 3; i++) {
        stdThread thread = _stdThreadCreate(threadBody, nullptr, 0, 0, True);
        if (thread != nullptr) stdThreadJoin(thread);   /* null: the system would not start one */
    }
    stdMutex mutex = stdMutexCreate();
    stdSem sem = stdSemCreate(1);
    if (mutex != nullptr) stdMutexDelete(mutex);
    if (sem != nullptr) stdSemDelete(sem);
}

void process()
{
    for (String text : { procGetTempName(), procGetTempDirName(), procGetPwd(),
                         procCurrentExecutableName(), procGetHostName(), stdGetEnv("PATH") }) {
        memspFree(text);
    }
    stdSetEnv("ALLOC_DRIVER", "1");
}

}  // namespace

int main(int argc, char **argv)
{
    const struct {
        const char *name;
        void (*run)();
    } families[] = { { "pages", pages },         { "valve", valve },       { "collections", collections },
                     { "options", options },     { "messages", messages }, { "threads", threads },
                     { "process", process } };
    /* Warnings go nowhere; the fatal line is what the sweep reads. */
    for (const auto &family : families) {
        if (argc == 2 && strcmp(argv[1], family.name) == 0) {
            family.run();
            if (write(1, "done\n", 5) != 5) return 2;
            return 0;
        }
    }
    return 2;
}
