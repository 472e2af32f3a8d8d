// A small tool on the installed option library and message layer: it
// registers one option, parses its command line and reports a message.
#include "stdCmdOpt.h"
#include "stdMessages.h"

msgDEFINE_MESSAGE(greetMsgHello, msgInfo, "Hello, %s");
msgDEFINE_MESSAGE(greetMsgNoName, msgFatal, "No name given");

int main(int argc, char **argv)
{
    msgSetToolName("greet");
    cmdoptTable options = cmdoptCreate(False);
    cmdoptAddOption(options, "name", "n", cmdoptString, cmdoptSingleValue, 0, nullptr, nullptr,
                    nullptr, nullptr, "<name>", "Whom to greet");
    cmdoptParse(options, argc, argv);

    String name = nullptr;
    if (!cmdoptGetOptionValue(options, "name", &name)) {
        msgReport(greetMsgNoName);
    }
    msgReport(greetMsgHello, name);
    return 0;
}
