/*
 * Private helpers shared by the stdFileNames sources.
 */
#ifndef stdFileNamesLocal_INCLUDED
#define stdFileNamesLocal_INCLUDED

#include "stdTypes.h"

/* A new zero-terminated copy of length bytes at start. */
String fnamCopyText(cString start, size_t length);

#endif
