// The parser of ".lum.attributes" sections.
#include <memory>

#include "llvm/ADT/StringExtras.h"
#include "llvm/Support/Errc.h"

#include "LUMAttributeParser.h"
#include "lumTargets.h"

namespace llvm {

static constexpr TagNameItem lumTagNames[] = {
    {LUMAttrs::TAG_LUM_ID, "Tag_LUM_ID"},
};

const TagNameMap &LUMAttrs::getLUMAttributeTags()
{
    static const TagNameMap map(lumTagNames);
    return map;
}

Error LUMAttributeParser::LUMIDDisplayRoutine(unsigned tag)
{
    // The value is checked against the table of names by ID, so that an ID
    // outside 16 bits is refused. The table is 512 KiB: keep it off the stack.
    // (new T(f()) builds the result in place; make_unique would copy it.)
    std::unique_ptr<LUM::LUMNameTable> names(new LUM::LUMNameTable(getLUMNames()));
    if (Error error = parseStringAttribute("LUM_ID", tag, ArrayRef<const char *>(names->names)))
        return error;
    // A value cut off by the end of the section reads as 0: refuse it here
    // rather than leave it recorded as target 0.
    if (!cursor)
        return cursor.takeError();
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
