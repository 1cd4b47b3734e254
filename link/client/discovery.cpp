#include "link/client/discovery.h"
#include "link/client/address_policy.h"

#include "link/korvan.h"
#include "link/link_protocol.h"
#include "link/wire/fd_io.h"
#include "link/wire/frame.h"
#include "link/wire/payload.h"
#include "link/wire/request_types.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace korvan::link::client {

namespace {

std::optional<uint32_t> parseIpv4(std::string_view text)
{
    const std::string copy(text);
    in_addr address{};
    if (::inet_pton(AF_INET, copy.c_str(), &address) != 1)
        return std::nullopt;
    return ntohl(address.s_addr);
}

std::string dotted(uint32_t host)
{
    in_addr address{htonl(host)};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

} // namespace

std::optional<std::vector<uint32_t>> parseSearchList(std::string_view list)
{
    std::vector<uint32_t> hosts;
    constexpr std::string_view kSeparators = " \t\r\n,";
    while (true) {
        const std::size_t begin = list.find_first_not_of(kSeparators);
        if (begin == std::string_view::npos)
            break;
        list.remove_prefix(begin);
        const std::size_t end = std::min(list.find_first_of(kSeparators), list.size());
        const std::string_view entry = list.substr(0, end);
        list.remove_prefix(end);
        const std::size_t dash = entry.find('-');
        const auto first = parseIpv4(entry.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : parseIpv4(entry.substr(dash + 1));
        if (!first || !last || *last < *first || *last - *first >= kMaxSearchHosts ||
            hosts.size() + (*last - *first) + 1 > kMaxSearchHosts)
            return std::nullopt;
        for (uint64_t host = *first; host <= *last; ++host)
            hosts.push_back(static_cast<uint32_t>(host));
    }
    return hosts;
}

std::string searchListText()
{
    const char* list = std::getenv("KORVAN_SEARCH");
    return list ? std::string(list) : std::string(kDefaultSearchList);
}

int32_t probeHosts(const std::vector<uint32_t>& hosts, uint16_t port, uint32_t timeoutMs,
                   std::vector<std::string>& found)
{
    found.clear();
    wire::UniqueFd udp(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!udp)
        return VXC_ERR_SEND_FAILED;
    constexpr uint16_t kDiscover = static_cast<uint16_t>(wire::RequestType::Discover);
    const auto probeId = static_cast<uint32_t>(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<uint64_t>(::getpid()));
    wire::PayloadWriter payload;
    payload.u16(kProtocolVersion);
    const std::vector<uint8_t> probe = wire::encodeFrame(kDiscover, probeId, payload.take());

    std::unordered_map<uint32_t, std::size_t> order; // host -> position in the list
    for (const uint32_t host : hosts) {
        if (!hostAllowed(host))
            continue;
        order.emplace(host, order.size());
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(host);
        // A host that cannot be reached simply does not answer.
        ::sendto(udp.get(), probe.data(), probe.size(), MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }

    std::vector<std::pair<std::size_t, std::string>> answers;
    const wire::Deadline deadline = wire::deadlineAfter(timeoutMs);
    std::vector<uint8_t> datagram(512);
    while (wire::waitFor(udp.get(), POLLIN, deadline) == wire::IoStatus::Ok) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got = ::recvfrom(udp.get(), datagram.data(), datagram.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &length);
        if (got <= 0)
            continue;
        wire::FrameDecoder decoder(64);
        decoder.feed({datagram.data(), static_cast<std::size_t>(got)});
        wire::Frame answer;
        if (decoder.next(answer) != wire::DecodeStatus::Frame || decoder.hasPartial() ||
            answer.type != (kDiscover | wire::kReplyBit) || answer.id != probeId)
            continue;
        wire::PayloadReader in(answer.payload);
        const int32_t code = in.i32();
        const uint16_t linkPort = in.u16();
        in.u16(); // the controller's protocol version
        const uint32_t host = ntohl(from.sin_addr.s_addr);
        const auto position = order.find(host);
        if (!in.ok() || code != VXC_OK || position == order.end() || ntohs(from.sin_port) != port)
            continue;
        const bool seen = std::any_of(answers.begin(), answers.end(),
                                      [&](const auto& a) { return a.first == position->second; });
        if (seen)
            continue;
        std::string text = dotted(host);
        if (linkPort != port)
            text += ":" + std::to_string(linkPort);
        answers.emplace_back(position->second, std::move(text));
    }
    std::sort(answers.begin(), answers.end());
    for (auto& answer : answers)
        found.push_back(std::move(answer.second));
    return VXC_OK;
}

} // namespace korvan::link::client
