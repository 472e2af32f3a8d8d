// Reading the target ID out of the bytes of an attribute section.
#include "llvm/ADT/ArrayRef.h"
#include "llvm/Support/Error.h"
#include "llvm/Support/ErrorHandling.h"
#include "llvm/Support/RISCVAttributeParser.h"
#include "llvm/Support/RISCVAttributes.h"

#include "LUMAttributeParserLocal.h"
#include "lumAttributes.h"
#include "stdMemSpace.h"

#include <new>

using namespace llvm;

namespace {

// LLVM reports its own failed allocations through this handler (without one
// it prints its own message and aborts): they end the run as every other
// failed allocation does.
[[noreturn]] void llvmOutOfMemory(void *, const char *, bool)
{
    stdOutOfMemory();
}

void reportLlvmOutOfMemory()
{
    static const bool installed = (install_bad_alloc_error_handler(llvmOutOfMemory), true);
    (void)installed;
}

// Parses the section with a fresh Parser and hands the result to read. A
// malformed section is not worth a diagnostic here: the caller only learns
// that no target could be read.
template <typename Parser, typename Read>
LUM_ID lookUp(const uint8_t *bytes, size_t length, endianness order, Read read)
{
    if (bytes == nullptr)
        return LUM_ID_INVALID;
    reportLlvmOutOfMemory();
    try {
        Parser parser;
        if (Error error = parser.parse(ArrayRef<uint8_t>(bytes, length), order)) {
            consumeError(std::move(error));
            return LUM_ID_INVALID;
        }
        return read(parser);
    } catch (const std::bad_alloc &) {
        stdOutOfMemory();
    }
}

} // namespace

extern "C" LUM_ID getLumIdFromLumAttributes(const uint8_t *bytes, size_t length, endianness order)
{
    return lookUp<LUMAttributeParser>(bytes, length, order, [](const LUMAttributeParser &parser) {
        std::optional<unsigned> id = parser.getAttributeValue(LUMAttrs::TAG_LUM_ID);
        return id ? static_cast<LUM_ID>(*id) : LUM_ID_INVALID;
    });
}

extern "C" LUM_ID getLumIdFromRiscvAttributes(const uint8_t *bytes, size_t length, endianness order)
{
    return lookUp<RISCVAttributeParser>(bytes, length, order, [](const RISCVAttributeParser &parser) {
        std::optional<StringRef> march = parser.getAttributeString(RISCVAttrs::ARCH);
        if (!march || march->empty())
            return LUM_ID_INVALID;
        // StringRef promises no NUL after the text: compare a terminated copy.
        return marchToLumId(march->str().c_str());
    });
}
