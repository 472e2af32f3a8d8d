/* Reading back what the support layer wrote into strings and writers. */
#ifndef stringCapture_INCLUDED
#define stringCapture_INCLUDED

#include <functional>
#include <string>

#include "stdString.h"
#include "stdWriter.h"

namespace testsupport {

/* The whole text of the string, embedded null characters included. */
std::string textOf(stdString string);

/* What print wrote through a writer into a fresh string. */
std::string writtenBy(const std::function<void(stdWriter)> &print);

}  // namespace testsupport

#endif
