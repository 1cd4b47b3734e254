#include "link/pci_cards.h"

#include "link/ports/data_directory.h"

#include <cstdlib>
#include <string>

namespace korvan::link {

std::filesystem::path pciCardDirectory()
{
    if (const char* directory = std::getenv("KORVAN_PCI_DIR"); directory && *directory)
        return directory;
    return korvanDataDirectory() / "pci";
}

std::filesystem::path pciCardPath(unsigned card)
{
    return pciCardDirectory() / ("PCI" + std::to_string(card) + ".sock");
}

unsigned pciCardCount()
{
    // Cards are numbered without gaps, so the first missing socket ends the count.
    constexpr unsigned kMaxCards = 64;
    unsigned count = 0;
    std::error_code error;
    while (count < kMaxCards &&
           std::filesystem::is_socket(std::filesystem::status(pciCardPath(count + 1), error)))
        ++count;
    return count;
}

} // namespace korvan::link
