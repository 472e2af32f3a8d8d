#include "stringCapture.h"

#include "stdMemSpace.h"

namespace testsupport {

std::string textOf(stdString string)
{
    String flat = stringToBuf(string);
    std::string result(flat, stringSize(string));
    memspFree(flat);
    return result;
}

std::string writtenBy(const std::function<void(stdWriter)> &print)
{
    stdString s = stringCreate(128);
    stdWriter w = wtrCreateStringWriter(s);
    print(w);
    std::string result = textOf(s);
    wtrDelete(w);
    stringDelete(s);
    return result;
}

}  // namespace testsupport
