// Prints the target ID of each target name given, from the installed registry.
#include <cstdio>

#include "lumTargets.h"

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        std::printf("%s %d\n", argv[i], static_cast<int>(nameToLumId(argv[i])));
    }
    return 0;
}
