// The connect dialog's logic: listing serial ports, network controllers and
// PCI cards, and the four ways to open a link into the next free slot.
#pragma once

#include "workbench/shell/app_state.h"
#include "workbench/shell/connection_messenger.h"
#include "workbench/shell/connection_registry.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvan::shell {

/// True when serial port COM<port> exists as the link maps it:
/// $KORVAN_COM_DIR/COM<port>, else /dev/ttyS<port-1>, opened for reading.
bool serialPortPresent(int port);

// How one connect attempt ended.
struct ConnectOutcome
{
    enum class Kind
    {
        Connected,
        Exists,
        Failed,
        Full,
        Nothing
    };
    Kind kind = Kind::Nothing;
    std::string message; // message box text, empty for none
    std::string title;   // new dialog title, empty to keep it
    bool closeDialog = false;
};

class ConnectLogic
{
public:
    using PortProbe = std::function<bool(int port)>;

    ConnectLogic(AppState& state, ConnectionRegistry& registry, ConnectionMessenger& frame,
                 PortProbe probe = serialPortPresent);

    /// Ports 1..49 that are present and not listed yet, in order.
    std::vector<int> newSerialPorts(const std::vector<int>& listed) const;
    /// Addresses of the network search (at most 20) not listed yet; nothing when it fails.
    std::vector<std::string> newNetworkControllers(const std::vector<std::string>& listed) const;
    /// "PCI%d" names not listed yet; only when a network search succeeds.
    std::vector<std::string> newPciCards(const std::vector<std::string>& listed) const;

    /// Serial connect (port list's text as a number, low 8 bits).
    ConnectOutcome connectSerial(int port, uint32_t baud, int parity);
    /// The refusal of a 31st link while every slot is in use.
    std::optional<ConnectOutcome> refuseWhenFull() const;
    /// Serial scan: the first of ports 1..19 that answers, or nothing.
    std::optional<int> scanSerial(uint32_t baud, int parity);
    /// The failure outcome when a scan finds nothing.
    ConnectOutcome scanFailed() const;
    ConnectOutcome connectEthernet(const std::string& ip);
    ConnectOutcome connectPci(const std::string& name);

private:
    std::optional<ConnectOutcome> refuse(std::string ConnectionSlot::*field,
                                         const std::string& name);
    ConnectOutcome failed() const;
    ConnectOutcome finish(int linkType, std::string ConnectionSlot::*field,
                          const std::string& name);

    AppState& m_state;
    ConnectionRegistry& m_registry;
    ConnectionMessenger& m_frame;
    PortProbe m_probe;
};

// The IP set dialog's command.
struct IpSetOutcome
{
    int32_t code = 0;
    std::string message;
};
/// Sends "IP_ADDRESS = %s"; 0 and 3402 (the link dropped at once) count as success.
IpSetOutcome setControllerIp(ControllerHandle handle, std::string address);

// The package dialog's state: the chosen package and the two downloads.
class KrxDownload
{
public:
    enum class Target
    {
        Ram,
        Rom
    };

    /// A chosen file, or nothing after a cancelled dialog (the path is emptied).
    void choose(std::optional<std::string> path) { m_path = path.value_or(std::string()); }
    const std::string& path() const { return m_path; }
    /// Downloads the package; the message to show.
    std::string download(ControllerHandle handle, Target target) const;

private:
    std::string m_path;
};

} // namespace korvan::shell
