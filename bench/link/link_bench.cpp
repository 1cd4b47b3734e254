// The direct command "?DPOS(0)" over loopback TCP beside a raw TCP echo of
// the same size, and a poll tick of 30 commands. Goals: the link costs at
// most twice the raw echo; a 30-command tick takes at most 3 ms.
#include "cmdlib/execute.h"
#include "link/korvan.h"
#include "link/server/link_server.h"
#include "link/tests/test_endpoint.h"
#include "link/wire/fd_io.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <cstdio>
#include <map>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using korvan::link::wire::UniqueFd;

constexpr const char* kHost = "127.0.0.55";
// Bytes of the request and reply frames of "?DPOS(0)" -> "12.5000\n".
constexpr std::size_t kRequestBytes = 16 + 4 + 8;
constexpr std::size_t kReplyBytes = 16 + 4 + 4 + 8;

struct LinkRig
{
    korvan::link::testing::TestEndpoint endpoint;
    korvan::link::server::LinkServer server{endpoint};
    ControllerHandle handle = nullptr;

    LinkRig()
    {
        const std::string address =
            std::string(kHost) + ":" + std::to_string(server.listenTcp(kHost, 0));
        VXC_OpenEth(address.c_str(), &handle);
    }
    ~LinkRig() { VXC_Close(handle); }
};

// A TCP peer that answers every kRequestBytes with kReplyBytes.
struct EchoRig
{
    UniqueFd listener;
    UniqueFd client;
    std::thread peer;

    EchoRig()
    {
        listener.reset(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in in{};
        in.sin_family = AF_INET;
        ::inet_pton(AF_INET, kHost, &in.sin_addr);
        ::bind(listener.get(), reinterpret_cast<sockaddr*>(&in), sizeof in);
        ::listen(listener.get(), 1);
        socklen_t length = sizeof in;
        ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&in), &length);
        client.reset(::socket(AF_INET, SOCK_STREAM, 0));
        ::connect(client.get(), reinterpret_cast<sockaddr*>(&in), sizeof in);
        const int on = 1;
        ::setsockopt(client.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        peer = std::thread([fd = ::accept(listener.get(), nullptr, nullptr)] {
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            char buffer[kRequestBytes];
            const char reply[kReplyBytes] = {};
            while (readFully(fd, buffer, sizeof buffer))
                if (::send(fd, reply, sizeof reply, MSG_NOSIGNAL) != sizeof reply)
                    break;
            ::close(fd);
        });
    }
    ~EchoRig()
    {
        client.reset();
        peer.join();
    }

    static bool readFully(int fd, char* into, std::size_t size)
    {
        while (size > 0) {
            const ssize_t got = ::recv(fd, into, size, 0);
            if (got <= 0)
                return false;
            into += got;
            size -= static_cast<std::size_t>(got);
        }
        return true;
    }
};

void BM_DirectCommand(benchmark::State& state)
{
    LinkRig rig;
    char reply[2048];
    for (auto _ : state) {
        if (VXC_DirectCommand(rig.handle, "?DPOS(0)", reply, sizeof reply) != 0) {
            state.SkipWithError("link call failed");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
}
BENCHMARK(BM_DirectCommand)->UseRealTime();

void BM_RawTcpEcho(benchmark::State& state)
{
    EchoRig rig;
    const char request[kRequestBytes] = {};
    char reply[kReplyBytes];
    for (auto _ : state) {
        ::send(rig.client.get(), request, sizeof request, MSG_NOSIGNAL);
        if (!EchoRig::readFully(rig.client.get(), reply, sizeof reply)) {
            state.SkipWithError("echo failed");
            break;
        }
    }
}
BENCHMARK(BM_RawTcpEcho)->UseRealTime();

void BM_PollTick30(benchmark::State& state)
{
    LinkRig rig;
    char reply[2048];
    // As a view's status timer polls: through the command library.
    for (auto _ : state)
        for (int row = 0; row < 30; ++row)
            korvan::cmd::ExecuteDirect(rig.handle, "?DPOS(0)", reply, sizeof reply);
    state.counters["goal_ms"] = 3.0;
}
BENCHMARK(BM_PollTick30)->UseRealTime()->Unit(benchmark::kMillisecond);

// Remembers each run's time per iteration, so that main can print the ratio.
class RecordingReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) final
    {
        for (const Run& run : runs)
            seconds[run.benchmark_name()] =
                run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto link = reporter.seconds.find("BM_DirectCommand/real_time");
    const auto echo = reporter.seconds.find("BM_RawTcpEcho/real_time");
    if (link != reporter.seconds.end() && echo != reporter.seconds.end() && echo->second > 0)
        std::printf("direct command / raw echo: %.2fx (goal <= 2x)\n", link->second / echo->second);
    benchmark::Shutdown();
    return 0;
}
