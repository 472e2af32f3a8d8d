// A shared module built on the installed libraries: static libraries that
// others link into their own shared objects must be position independent.
#include "lumTargets.h"
#include "stdCmdOpt.h"

extern "C" int lumccPluginTargetId(const char *name)
{
    static cmdoptTable options = cmdoptCreate(False);
    (void)options;
    return nameToLumId(name);
}
