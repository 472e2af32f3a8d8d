/*
 * The command-line option library shared by the toolchain's tools.
 *
 * A tool creates an option table, registers its options (long name, short
 * name, value type, mode, flags, domains, default, implicit value, help) and
 * hands the whole argument vector to cmdoptParse. Values are read back by
 * long name. Options files (value type cmdoptOptionsFile) are read by the
 * parser itself into the same table. cmdoptPrint prints the help listing or
 * the listing of the values given.
 *
 * Tables, groups, options and every value cell live as long as the process.
 * String values point into the argument vector (which the parser modifies
 * in place: an option's "=" becomes a terminator) or into token copies made
 * by stdTokenizeString; they are never copied again and never freed.
 * Misuse by the caller (unknown names in getters, wrong result sizes, bad
 * definitions) fails an internal assertion; bad user input is reported
 * through the cmdoptMsg... messages of stdMessages.h.
 */
#ifndef stdCmdOpt_INCLUDED
#define stdCmdOpt_INCLUDED

#include "stdTypes.h"
#include "stdList.h"
#include "stdMap.h"
#include "stdSet.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Codes ---------------------------------------------------------- */

/* Value types (how a value text is converted and stored) */
typedef enum {
    cmdoptOptionsFile = 0,   /* the text names an options file, read at once */
    cmdoptBool        = 1,   /* "true" or "false" */
    cmdoptString      = 2,
    cmdoptCIString    = 3,   /* domain compared ignoring case */
    cmdoptInt         = 4,   /* strtol base 0, 32-bit signed range */
    cmdoptInt64       = 5,   /* strtoll base 0; stored as pointer to a 64-bit cell */
    cmdoptFloat       = 6,   /* strtod, narrowed to float; stored as its 32 bits */
    cmdoptHex         = 7,   /* strtoul base 0, 0 to 0xFFFFFFFF */
    cmdoptHex08       = 8,   /* as cmdoptHex; help prints 8 digits */
    cmdoptHex64       = 9    /* strtoull base 0; stored as pointer to a 64-bit cell */
} cmdoptType;

/* Modes (how many values, and the shape of the value slot) */
typedef enum {
    cmdoptNoValue          = 0,   /* a switch; slot null */
    cmdoptSingleValue      = 1,   /* one value; a later occurrence replaces it */
    cmdoptListValue        = 2,   /* slot: list header of values */
    cmdoptKeywordValue     = 3,   /* slot: Map keyword -> value, or null */
    cmdoptKeywordListValue = 4    /* slot: list header of such Maps, one per occurrence */
} cmdoptMode;

/* Flag bits */
enum {
    cmdoptRequired             = 0x1,    /* reading it ungiven and undefaulted is an error */
    cmdoptNoDefaultInHelp      = 0x2,
    cmdoptHidden               = 0x4,    /* left out of help unless hidden ones are asked for */
    cmdoptInternal             = 0x8,    /* in no group, unknown on the command line */
    cmdoptSingleLetter         = 0x10,   /* "-O2": value may be attached to the letter */
    cmdoptSingleLetterOptional = 0x20,   /* as above; bare "-O" takes no next argument */
    cmdoptListEscapes          = 0x40,   /* list splitting honours backslash escapes */
    cmdoptListWhole            = 0x80,   /* a command-line list value is one element */
    cmdoptOverride             = 0x100,  /* set on every single-value option */
    cmdoptDeprecated           = 0x200,  /* every use warns; help treats it as hidden */
    cmdoptEcho                 = 0x400,  /* "--name" and the value text (a switch: the name
                                            alone) are appended to the positionals */
    cmdoptListKeepQuotes       = 0x1000,
    cmdoptListKeepBrackets     = 0x2000
};

/* Names of the two hidden list options every table has */
#define cmdoptPositionalName " "                       /* positional arguments */
#define cmdoptUnknownName    "__internal_unknown_opt"  /* collected unknown options */

/* ---- Records ---------------------------------------------------------- */

/* A list with a pointer to its last link's next field, for appending. */
typedef struct cmdoptListHeaderRec {
    stdList  list;
    stdList *last;
} cmdoptListHeaderRec, *cmdoptListHeader;

typedef struct cmdoptGroupRec {
    cString             title;     /* "Heading.Description" or just a heading; not owned */
    uInt32              flags;     /* bit 0: print the options sorted by long name */
    cmdoptListHeaderRec options;   /* cmdoptOption, in order of definition */
} cmdoptGroupRec, *cmdoptGroup;

#define cmdoptGroupSorted 0x1

typedef struct cmdoptOptionRec {
    cString  name;             /* long name; never empty */
    cString  shortName;        /* "" when none */
    uInt32   type;             /* cmdoptType */
    uInt32   mode;             /* cmdoptMode */
    uInt32   flags;
    stdSet   valueDomain;      /* allowed values in value representation, or null */
    stdSet   keywordDomain;    /* allowed keywords, or null */
    cString  help;
    cString  placeholder;      /* "" when none */
    Bool     onCommandLine;    /* given on the command line or in an options file */
    Bool     hasDefault;
    Pointer  value;
    Pointer  defaultValue;
    cString  implicitValue;    /* may be null */
    Int32    position;         /* number of the latest occurrence; 0 until it occurs */
    stdList  positions;        /* of Int32, one per list value added, newest first */
} cmdoptOptionRec, *cmdoptOption;

typedef struct cmdoptTableRec {
    stdMap      byName;        /* long name -> option */
    stdMap      byShortName;   /* short name -> option */
    cmdoptGroup currentGroup;
    Bool        collectUnknown;
    cmdoptListHeaderRec groups;  /* cmdoptGroup, in creation order */
    Int32       optionsFileDepth;  /* options files being read right now */
    Int32       positionCounter;   /* number for the next occurrence */
} cmdoptTableRec, *cmdoptTable;

/* ---- Definition ------------------------------------------------------- */

/* New table with the group "Options" (sorted) and the two hidden lists. */
cmdoptTable cmdoptCreate(Bool collectUnknown);

/* New group; later options join it. Title "Heading.Description" or "Heading". */
void cmdoptAddGroup(cmdoptTable table, uInt32 flags, cString title);

/*
 * Defines an option in the current group. Null name, shortName or
 * placeholder count as "". valueDomain and keywordDomain are comma-separated
 * lists of allowed values and keywords; defaultValue and implicitValue are
 * value texts in command-line syntax (a list default is split at commas).
 */
void cmdoptAddOption(cmdoptTable table, cString name, cString shortName,
                     uInt32 type, uInt32 mode, uInt32 flags,
                     cString valueDomain, cString keywordDomain,
                     cString defaultValue, cString implicitValue,
                     cString placeholder, cString help);

/* ORs flags into the option's flags. */
void cmdoptSetFlags(cmdoptTable table, cString name, uInt32 flags);

/* ---- Parsing ---------------------------------------------------------- */

/* Parses argv[1] .. argv[argc-1] into the table; modifies the texts in place. */
void cmdoptParse(cmdoptTable table, Int argc, String *argv);

/* Reads the options file at path and parses its arguments into the table
 * (called by the parser for every cmdoptOptionsFile value). */
void addFileValue(cString path, cmdoptTable table);

/* ---- Reading values --------------------------------------------------- */

/*
 * Writes the value of the option into destination (may be null), whose size
 * in bytes is valueSize: Bool 1; texts, lists and Maps 8; Float 4; integer
 * types 1, 2, 4 or 8 (truncated, or zero-extended from 32 bits). Returns
 * True when the value was given or defaulted.
 */
Bool _cmdoptGetOptionValue(cmdoptTable table, cString name, Pointer destination,
                           uInt32 valueSize);
#define cmdoptGetOptionValue(table, name, destination) \
    _cmdoptGetOptionValue((table), (name), (destination), sizeof(*(destination)))

Bool    cmdoptOnCommandLine(cmdoptTable table, cString name);
/* Position number of the latest occurrence; 0 when it never occurred. */
Int32   cmdoptGetOptionPosition(cmdoptTable table, cString name);
/* Position numbers of the values of a list option, newest first (do not free). */
stdList cmdoptGetOptionPositionList(cmdoptTable table, cString name);

/* ---- Help ------------------------------------------------------------- */

/* Prints the help listing, or with valuesMode the options given and their
 * values, to standard output. */
void cmdoptPrint(cmdoptTable table, Bool showHidden, Bool valuesMode);

/* State of one cmdoptPrint call, handed to every printing step. */
typedef struct cmdoptPrintStateRec {
    Bool         showHidden;
    Bool         valuesMode;
    char         separator;        /* before the next element of a value listing */
    cmdoptOption currentOption;    /* selects the value format */
    uInt32       column;           /* of the next character on the output line */
    Int32        indent;           /* blanks written after every line break */
    Int32        width;            /* wrapping width */
    Int32        optionIndent;     /* indent of option help texts */
    Bool         measuring;        /* first pass: measure, print nothing */
    uInt32       nameWidth;
    uInt32       shortWidth;
    char         nameFormat[32];   /* "%-Ns" */
    char         shortFormat[32];  /* "%-Ns\n" */
    Bool         skipLeadingBlanks;  /* drop blanks and line feeds at an indented line start */
} cmdoptPrintStateRec, *cmdoptPrintState;

/* printf to standard output through the wrapping rules: words that do not
 * fit break the line after them, line feeds indent, tabs go to multiples of 8. */
void oprintf(cmdoptPrintState state, cString format, ...) stdFORMAT(2, 3);

/* Prints text as a sentence: first letter raised, "." added unless it ends
 * in "." or white space. */
void printText(cmdoptPrintState state, cString text);

/* ---- Tokenizer -------------------------------------------------------- */

typedef void (*stdTokenFun)(String token, Pointer data);

/*
 * Splits text at any character of separators and calls callback(token, data)
 * for each token, in order, trimmed of blanks and tabs; empty tokens only
 * with keepEmpty. "[...]" groups (nesting) and "..." quoted parts do not
 * split; with escapes a backslash makes the next character ordinary. Quotes
 * stay in the token with escapes or keepQuotes, brackets with keepBrackets.
 * The tokens point into a copy of text that is never released. An unclosed
 * quote or bracket, or a final backslash, is a fatal error.
 */
void stdTokenizeString(cString text, cString separators, Bool keepEmpty, Bool escapes,
                       stdTokenFun callback, Pointer data, Bool keepQuotes, Bool keepBrackets);

/*
 * Releases every copy stdTokenizeString has made so far, which invalidates
 * all tokens handed out before. Only for programs that keep no token, such
 * as drivers that tokenize untrusted text over and over.
 */
void stdTokenizeReleaseCopies(void);

#ifdef __cplusplus
}
#endif

#endif
