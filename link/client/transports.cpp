#include "link/client/transports.h"
#include "link/client/address_policy.h"

#include "link/com_ports.h"
#include "link/link_protocol.h"
#include "link/pci_cards.h"
#include "link/wire/payload.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

namespace korvan::link::client {

bool loopbackOnly()
{
    const char* value = std::getenv("KORVAN_LOOPBACK_ONLY");
    return value && *value && std::string_view(value) != "0";
}

namespace {

using wire::UniqueFd;

std::optional<uint16_t> parsePort(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

std::optional<unsigned> parseNumberAfter(std::string_view text, std::string_view prefix)
{
    if (text.size() <= prefix.size() || text.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    unsigned value = 0;
    const std::string_view digits = text.substr(prefix.size());
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || value == 0)
        return std::nullopt;
    return value;
}

// Finishes a non-blocking connect() within the deadline.
bool completeConnect(int fd, int result, wire::Deadline deadline)
{
    if (result == 0)
        return true;
    if (errno != EINPROGRESS && errno != EAGAIN)
        return false;
    if (wire::waitFor(fd, POLLOUT, deadline) != wire::IoStatus::Ok)
        return false;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

// Says hello and checks the peer's version; the link is ready afterwards.
int32_t shakeHands(Channel& channel, uint32_t timeoutMs)
{
    wire::PayloadWriter hello;
    hello.u16(kProtocolVersion);
    std::vector<uint8_t> body;
    const int32_t code = channel.call(wire::RequestType::Hello, hello.take(), timeoutMs, body);
    if (code == VXC_ERR_TIMEOUT || code == VXC_ERR_CONNECTION_LOST || code == VXC_ERR_SEND_FAILED)
        return VXC_ERR_OPEN_FAILED;
    if (code != VXC_OK)
        return code;
    wire::PayloadReader in(body);
    const uint16_t version = in.u16();
    in.u8();  // the transport the controller sees
    in.u32(); // its payload limit, kMaxPayload in this version
    return in.ok() && version == kProtocolVersion ? VXC_OK : VXC_ERR_PROTOCOL;
}

Opened finishOpen(UniqueFd fd, uint8_t type, uint32_t timeoutMs)
{
    auto link = std::make_shared<Link>(std::move(fd), type);
    const int32_t code = shakeHands(link->channel, timeoutMs);
    if (code != VXC_OK)
        return {code, nullptr};
    return {VXC_OK, std::move(link)};
}

speed_t speedOf(uint32_t baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return B0;
    }
}

tcflag_t dataBitsFlag(uint32_t bits)
{
    switch (bits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

bool configureTty(int fd, const SerialSettings& settings)
{
    termios tty{};
    if (::tcgetattr(fd, &tty) != 0)
        return false;
    ::cfmakeraw(&tty);
    tty.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tty.c_cflag |= dataBitsFlag(settings.dataBits) | CLOCAL | CREAD;
    if (settings.parity != 0)
        tty.c_cflag |= PARENB | (settings.parity == 1 ? PARODD : 0);
    if (settings.stopBits == 1)
        tty.c_cflag |= CSTOPB;
    tty.c_cc[VMIN] = 1;
    tty.c_cc[VTIME] = 0;
    ::cfsetspeed(&tty, speedOf(settings.baud));
    // A pty takes only part of the settings (no parity, no speed) and may
    // report that; the line works all the same.
    ::tcsetattr(fd, TCSANOW, &tty);
    // Bytes left on the line by an earlier user are not ours.
    ::tcflush(fd, TCIOFLUSH);
    return true;
}

struct SerialDefaults
{
    std::mutex mutex;
    SerialSettings settings;
};

SerialDefaults& serialDefaults()
{
    static SerialDefaults defaults;
    return defaults;
}

} // namespace

uint16_t defaultLinkPort()
{
    const char* text = std::getenv(kPortVariable);
    if (text && *text)
        if (const auto port = parsePort(text))
            return *port;
    return kDefaultPort;
}

std::optional<SocketAddress> parseSocketAddress(const char* text)
{
    if (!text)
        return std::nullopt;
    const std::string_view whole(text, ::strnlen(text, 64));
    const std::size_t colon = whole.find(':');
    SocketAddress address{std::string(whole.substr(0, colon)), defaultLinkPort()};
    if (colon != std::string_view::npos) {
        const auto port = parsePort(whole.substr(colon + 1));
        if (!port)
            return std::nullopt;
        address.port = *port;
    }
    in_addr ignored{};
    if (::inet_pton(AF_INET, address.host.c_str(), &ignored) != 1)
        return std::nullopt;
    return address;
}

bool serialSettingsValid(const SerialSettings& settings)
{
    return speedOf(settings.baud) != B0 && settings.dataBits >= 5 && settings.dataBits <= 8 &&
           settings.parity <= 2 && settings.stopBits <= 1;
}

void setSerialSettings(const SerialSettings& settings)
{
    SerialDefaults& defaults = serialDefaults();
    const std::lock_guard lock(defaults.mutex);
    defaults.settings = settings;
}

SerialSettings serialSettings()
{
    SerialDefaults& defaults = serialDefaults();
    const std::lock_guard lock(defaults.mutex);
    return defaults.settings;
}

Opened openEthernet(const char* text, uint32_t timeoutMs)
{
    const auto address = parseSocketAddress(text);
    if (!address)
        return {VXC_ERR_INVALID_ARGUMENT, nullptr};
    const wire::Deadline deadline = wire::deadlineAfter(timeoutMs);
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd)
        return {VXC_ERR_OPEN_FAILED, nullptr};
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(address->port);
    ::inet_pton(AF_INET, address->host.c_str(), &in.sin_addr);
    if (!hostAllowed(ntohl(in.sin_addr.s_addr)))
        return {VXC_ERR_OPEN_FAILED, nullptr};
    const int result = ::connect(fd.get(), reinterpret_cast<sockaddr*>(&in), sizeof in);
    if (!completeConnect(fd.get(), result, deadline))
        return {VXC_ERR_OPEN_FAILED, nullptr};
    const int on = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return finishOpen(std::move(fd), VXC_LINK_ETHERNET, timeoutMs);
}

Opened openPci(const std::filesystem::path& socketPath, uint32_t timeoutMs)
{
    sockaddr_un un{};
    un.sun_family = AF_UNIX;
    const std::string name = socketPath.string();
    if (name.size() >= sizeof un.sun_path)
        return {VXC_ERR_OPEN_FAILED, nullptr};
    std::memcpy(un.sun_path, name.c_str(), name.size() + 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd)
        return {VXC_ERR_OPEN_FAILED, nullptr};
    const int result = ::connect(fd.get(), reinterpret_cast<sockaddr*>(&un), sizeof un);
    if (!completeConnect(fd.get(), result, wire::deadlineAfter(timeoutMs)))
        return {VXC_ERR_OPEN_FAILED, nullptr};
    return finishOpen(std::move(fd), VXC_LINK_PCI, timeoutMs);
}

Opened openSerial(unsigned port, uint32_t timeoutMs)
{
    const auto path = comPortPath(port);
    if (!path)
        return {VXC_ERR_OPEN_FAILED, nullptr};
    UniqueFd fd(::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd || !::isatty(fd.get()) || !configureTty(fd.get(), serialSettings()))
        return {VXC_ERR_OPEN_FAILED, nullptr};
    return finishOpen(std::move(fd), VXC_LINK_SERIAL, timeoutMs);
}

Opened openByName(int32_t type, const char* name, uint32_t timeoutMs)
{
    if (!name)
        return {VXC_ERR_INVALID_ARGUMENT, nullptr};
    const std::string_view text(name, ::strnlen(name, 64));
    switch (type) {
    case VXC_LINK_ETHERNET:
        return openEthernet(name, timeoutMs);
    case VXC_LINK_PCI:
        if (const auto card = parseNumberAfter(text, "PCI"))
            return openPci(pciCardPath(*card), timeoutMs);
        return {VXC_ERR_INVALID_ARGUMENT, nullptr};
    case VXC_LINK_SERIAL:
        if (const auto port = parseNumberAfter(text, "COM"))
            return openSerial(*port, timeoutMs);
        return {VXC_ERR_INVALID_ARGUMENT, nullptr};
    default:
        return {VXC_ERR_INVALID_ARGUMENT, nullptr};
    }
}

} // namespace korvan::link::client
