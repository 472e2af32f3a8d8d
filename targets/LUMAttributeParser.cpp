// The parser of ".lum.attributes" sections.
#include "llvm/ADT/StringExtras.h"
#include "llvm/ADT/Twine.h"
#include "llvm/Support/Errc.h"

#include "LUMAttributeParserLocal.h"
#include "lumRegistryLocal.h"

namespace llvm {

static constexpr TagNameItem lumTagNames[] = {
    {LUMAttrs::TAG_LUM_ID, "Tag_LUM_ID"},
};

const TagNameMap &LUMAttrs::getLUMAttributeTags()
{
    static const TagNameMap map(lumTagNames);
    return map;
}

// What the base parser's parseStringAttribute does with the table of names
// by ID (getLUMNames), without building that 512 KiB table for every value:
// the table only bounds the value and names it for a printer.
Error LUMAttributeParser::LUMIDDisplayRoutine(unsigned tag)
{
    uint64_t value = de.getULEB128(cursor);
    // A value cut off by the end of the section reads as 0: refuse it rather
    // than record it as target 0.
    if (!cursor)
        return cursor.takeError();
    if (value >= LUM::LUM_NAME_TABLE_SIZE)
        return createStringError(errc::invalid_argument, "unknown LUM_ID value: " + Twine(value));
    const LUM::LUM *entry = LUM::findEntry(static_cast<LUM_ID>(value));
    printAttribute(tag, static_cast<unsigned>(value), entry != nullptr ? entry->name : "");
    return Error::success();
}

// The generic parser stops at a bad tag only when a handler leaves it
// unhandled, and it does not notice a read that ran off the section: a
// malformed ULEB128 leaves the cursor in error without moving it, so the
// attribute loop would read the same position for ever. Every call
// therefore starts by checking the cursor.
Error LUMAttributeParser::handler(uint64_t tag, bool &handled)
{
    handled = false;
    if (!cursor)
        return cursor.takeError();

    if (tag == LUMAttrs::TAG_LUM_ID) {
        if (Error error = LUMIDDisplayRoutine(LUMAttrs::TAG_LUM_ID))
            return error;
    } else if (tag > UINT32_MAX) {
        // The generic readers take the tag as 32 bits: a wide tag could
        // alias Tag_LUM_ID.
        return createStringError(errc::invalid_argument, "invalid tag 0x" + utohexstr(tag));
    } else if (tag % 2 == 0) {
        // Other tags follow the RISC-V convention: even tags carry a
        // ULEB128, odd tags a NUL-terminated string. Reading the value keeps
        // it from being taken for the next tag.
        if (Error error = integerAttribute(static_cast<unsigned>(tag)))
            return error;
    } else {
        if (Error error = stringAttribute(static_cast<unsigned>(tag)))
            return error;
    }
    handled = true;
    return Error::success();
}

} // namespace llvm
