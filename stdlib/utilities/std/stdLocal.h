/*
 * Private header of the support layer: what most of its modules need.
 */
#ifndef stdLocal_INCLUDED
#define stdLocal_INCLUDED

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "stdTypes.h"
#include "stdMessages.h"
#include "stdMemSpace.h"
#include "stdProcess.h"
#include "stdThreads.h"
#include "stdList.h"
#include "stdString.h"
#include "stdWriter.h"
#include "stdUtils.h"

#endif
