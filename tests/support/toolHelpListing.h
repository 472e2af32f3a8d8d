/*
 * The help listing of lumcc-extract's nine options exactly as the option
 * library prints it: checked against the library in the option tests and
 * inside the tool's whole --help output in the end-to-end tests.
 */
#ifndef toolHelpListing_INCLUDED
#define toolHelpListing_INCLUDED

namespace testsupport {

inline constexpr char toolHelpListing[] =
    "\n"
    "Options\n"
    "=======\n"
    "\n"
    "--app-name                 (-app-name)  \n"
    "        Specify name of the LUM application to extract.\n"
    "        This option is mandatory if more than one application is present in the input\n"
    "        file.\n"
    "\n"
    "--help                     (-h)         \n"
    "        Print this help information on this tool.\n"
    "\n"
    "--info                     (-i)         \n"
    "        List apps and supported targets.\n"
    "\n"
    "--lum-proc-attr            (-pa)        \n"
    "        Extract LUM process attributes blob.\n"
    "\n"
    "--mcpu                     (-mcpu)      \n"
    "        Specify name of the device for which the application is to be extracted.\n"
    "        This option is mandatory if the application is built for multiple devices.\n"
    "\n"
    "--options-file <file>,...  (-optf)      \n"
    "        Include command line options from specified file.\n"
    "\n"
    "--output-file              (-o)         \n"
    "        Specify name of the output file.\n"
    "\n"
    "--version                  (-V)         \n"
    "        Print version information on this tool.\n"
    "\n";

} // namespace testsupport

#endif
