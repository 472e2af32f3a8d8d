/*
 * The attribute parser of the toolchain's own ".lum.attributes" section:
 * the generic ELF build-attribute parser with the LUM vendor ("ostrel") and
 * its tag table. Tag 2, Tag_LUM_ID, holds the target ID as a ULEB128 below
 * 65536; parse() records it among the integer attributes (first value wins).
 */
#ifndef LUMAttributeParserLocal_INCLUDED
#define LUMAttributeParserLocal_INCLUDED

#include <stdint.h>

#include "llvm/Support/ELFAttrParserCompact.h"
#include "llvm/Support/ELFAttributes.h"
#include "llvm/Support/Error.h"

namespace llvm {
namespace LUMAttrs {

enum AttrType : unsigned {
    TAG_LUM_ID = 2,  /* "Tag_LUM_ID": the target ID, a ULEB128 below 65536 */
};

/* The names of the LUM vendor's tags, for parsers given a printer. */
const TagNameMap &getLUMAttributeTags();

} // namespace LUMAttrs

class LUMAttributeParser : public ELFCompactAttrParser {
    Error handler(uint64_t tag, bool &handled) override;

public:
    LUMAttributeParser() : ELFCompactAttrParser(LUMAttrs::getLUMAttributeTags(), "ostrel") {}

    /* Reads the ULEB128 value of tag as a target ID and records it (first
     * value wins); an ID of 65536 or more, or one cut off by the end of the
     * section, is an error. Any ID below 65536 is kept, registered or not. */
    Error LUMIDDisplayRoutine(unsigned tag);
};

} // namespace llvm

#endif
