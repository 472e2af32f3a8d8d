// A tool that uses LLVM Support of its own beside the installed target
// identification, which carries a private LLVM inside: its command-line
// options and the attribute parser behind lumcc::targets both work in one
// program, whatever the order of the two on the link line.
#include <cstdint>
#include <string>
#include <vector>

#include "llvm/ADT/bit.h"
#include "llvm/Support/CommandLine.h"
#include "llvm/Support/raw_ostream.h"

#include "lumAttributes.h"

static llvm::cl::opt<std::string> arch("arch", llvm::cl::desc("architecture string"),
                                       llvm::cl::init("rv64i2p1_m2p0_a2p1_c2p0"));

static void putWord(std::vector<uint8_t> &bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
}

// A ".riscv.attributes" section whose Tag_arch is the given string.
static std::vector<uint8_t> riscvAttributes(const std::string &march)
{
    const std::string vendor = "riscv";
    std::vector<uint8_t> file = {1};  // Tag_File
    putWord(file, static_cast<uint32_t>(1 + 4 + 1 + march.size() + 1));
    file.push_back(5);                // Tag_RISCV_arch
    file.insert(file.end(), march.begin(), march.end());
    file.push_back(0);

    std::vector<uint8_t> section = {'A'};
    putWord(section, static_cast<uint32_t>(4 + vendor.size() + 1 + file.size()));
    section.insert(section.end(), vendor.begin(), vendor.end());
    section.push_back(0);
    section.insert(section.end(), file.begin(), file.end());
    return section;
}

int main(int argc, char **argv)
{
    llvm::cl::ParseCommandLineOptions(argc, argv);
    std::vector<uint8_t> section = riscvAttributes(arch);
    LUM_ID id = getLumIdFromRiscvAttributes(section.data(), section.size(), llvm::endianness::little);
    llvm::outs() << arch << " " << static_cast<int>(id) << "\n";
    return 0;
}
