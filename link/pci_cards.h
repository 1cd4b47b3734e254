// Where PCI card <n> lives: the Unix-domain socket $KORVAN_PCI_DIR/PCI<n>.sock
// (default ~/.local/share/korvan/pci), served by the card's controller.
#pragma once

#include <filesystem>

namespace korvan::link {

/// $KORVAN_PCI_DIR or the default directory.
std::filesystem::path pciCardDirectory();
/// The socket path of card PCI<card> (card from 1).
std::filesystem::path pciCardPath(unsigned card);
/// The number of cards present: sockets PCI1.sock, PCI2.sock, ... without a gap.
unsigned pciCardCount();

} // namespace korvan::link
