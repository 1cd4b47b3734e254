// What hostile clients cost a link server, over loopback:
//  - the resident memory of connections that each announce a 16 MiB frame
//    and send only part of it (goal: what arrived, not what was announced);
//  - the CPU the server burns while a client waits and the process has no
//    file descriptor left (goal: next to none, where a spinning accept
//    loop takes a whole core), and how soon that client hears it is shed.
#include "link/server/link_server.h"
#include "link/tests/descriptor_drought.h"
#include "link/tests/test_endpoint.h"
#include "link/wire/frame.h"
#include "link/wire/payload.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <chrono>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace korvan::link;
using namespace std::chrono_literals;

constexpr const char* kHost = "127.0.0.143";

wire::UniqueFd connectTo(uint16_t port)
{
    wire::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    ::inet_pton(AF_INET, kHost, &in.sin_addr);
    ::connect(fd.get(), reinterpret_cast<sockaddr*>(&in), sizeof in);
    return fd;
}

double residentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

void sendAll(int fd, const std::vector<uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

// state.range(0) connections, each: Hello, then a 16 MiB DownloadRom header
// and range(1) KiB of its payload.
void BM_PartialFramesResident(benchmark::State& state)
{
    const int connections = static_cast<int>(state.range(0));
    const std::size_t sent = static_cast<std::size_t>(state.range(1)) * 1024;
    for (auto _ : state) {
        testing::TestEndpoint endpoint;
        server::LinkServer server(endpoint);
        const uint16_t port = server.listenTcp(kHost, 0);
        const double before = residentMiB();
        std::vector<wire::UniqueFd> clients;
        wire::PayloadWriter hello;
        hello.u16(kProtocolVersion);
        const auto helloFrame = wire::encodeFrame(0x0001, 1, hello.take());
        std::vector<uint8_t> partial(wire::kHeaderSize + sent, 0);
        wire::PayloadWriter::storeU32(partial.data(), wire::kFrameMagic);
        partial[4] = 0x40;
        wire::PayloadWriter::storeU32(partial.data() + 12, kMaxPackageSize);
        for (int i = 0; i < connections; ++i) {
            clients.push_back(connectTo(port));
            sendAll(clients.back().get(), helloFrame);
            sendAll(clients.back().get(), partial);
        }
        // Let the server take in what was sent.
        std::this_thread::sleep_for(500ms);
        const double grown = residentMiB() - before;
        state.counters["resident_MiB"] = grown;
        state.counters["per_connection_MiB"] = grown / connections;
        state.counters["sent_per_connection_MiB"] = static_cast<double>(sent) / (1024.0 * 1024.0);
        clients.clear();
        server.stop();
    }
}
BENCHMARK(BM_PartialFramesResident)
    ->Args({32, 64})
    ->Args({32, 4096})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_AcceptOutOfDescriptors(benchmark::State& state)
{
    for (auto _ : state) {
        testing::TestEndpoint endpoint;
        server::LinkServer server(endpoint);
        const uint16_t port = server.listenTcp(kHost, 0);
        wire::UniqueFd waiting(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        double shedAfterMs = -1;
        double cpu = 0;
        {
            testing::DescriptorDrought drought(256);
            if (!drought.exhausted()) {
                state.SkipWithError("descriptors not exhausted");
                break;
            }
            const double cpuBefore = testing::cpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            sockaddr_in in{};
            in.sin_family = AF_INET;
            in.sin_port = htons(port);
            ::inet_pton(AF_INET, kHost, &in.sin_addr);
            ::connect(waiting.get(), reinterpret_cast<sockaddr*>(&in), sizeof in);
            timeval timeout{1, 0};
            ::setsockopt(waiting.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
            char byte;
            if (::recv(waiting.get(), &byte, 1, 0) <= 0)
                shedAfterMs = std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start)
                                  .count();
            std::this_thread::sleep_until(start + 1s);
            cpu = testing::cpuSeconds() - cpuBefore;
        }
        state.counters["cpu_percent_over_1s"] = cpu * 100.0;
        state.counters["client_shed_after_ms"] = shedAfterMs;
        server.stop();
    }
}
BENCHMARK(BM_AcceptOutOfDescriptors)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
