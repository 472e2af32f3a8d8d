#include "stdProcess.h"

Bool procTrapOnError = False;

void procProcessSetup(cString program, String *argv)
{
    (void)program;
    (void)argv;
}

void procSetTrapOnError(void)
{
    procTrapOnError = True;
}
