// korvan-cmd against an in-test controller on loopback.
#include "link/korvan.h"
#include "link/server/link_server.h"
#include "link/tests/test_endpoint.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace korvan::link::testing {
namespace {

struct CmdRun
{
    int status = -1;
    std::string output;
};

// Runs the program with the arguments and optional standard input.
CmdRun korvanCmd(const std::string& arguments, const std::string& input = {})
{
    const char* binDir = std::getenv("KORVAN_BIN_DIR");
    std::string command = std::string(binDir ? binDir : ".") + "/korvan-cmd " + arguments;
    if (!input.empty())
        command = "printf '" + input + "' | " + command;
    CmdRun run;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return run;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        run.output += buffer;
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class KorvanCmd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_endpoint.replies["?MPOS(0)"] = "3\n";
        m_address = "127.0.0.54:" + std::to_string(m_server.listenTcp("127.0.0.54", 0));
    }
    TestEndpoint m_endpoint;
    server::LinkServer m_server{m_endpoint};
    std::string m_address;
};

TEST_F(KorvanCmd, PrintsTheReplyOfOneCommand)
{
    const CmdRun run = korvanCmd("--ip " + m_address + " '?DPOS(0)'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "12.5000\n");
    EXPECT_EQ(korvanCmd("--direct --ip " + m_address + " '?DPOS(0)'").output, "12.5000\n");
}

TEST_F(KorvanCmd, ReadsCommandsFromStandardInput)
{
    const CmdRun run = korvanCmd("--ip " + m_address, "?DPOS(0)\\n\\n?MPOS(0)\\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "12.5000\n3\n");
}

TEST_F(KorvanCmd, ExitStatusCarriesTheCode)
{
    // 2002 does not fit an exit status: 255.
    EXPECT_EQ(korvanCmd("--ip " + m_address + " BOGUS").status, 255);
    EXPECT_EQ(korvanCmd("--ip 127.0.0.54:1 '?DPOS(0)'").status, 255);
    EXPECT_EQ(korvanCmd("--ip").status, 255);
    EXPECT_EQ(korvanCmd("--state --ip " + m_address).output, "1 running\n");
}

} // namespace
} // namespace korvan::link::testing

namespace korvan::link::testing {
namespace {

TEST(KorvanCmdLocal, SearchAndPciCards)
{
    TestEndpoint endpoint;
    server::LinkServer server(endpoint);
    const auto port = static_cast<uint16_t>(20000 + (::getpid() + 7) % 20000);
    server.listenTcp("127.0.0.56", port);
    char directory[] = "/tmp/korvan-cmd-XXXXXX";
    ASSERT_NE(::mkdtemp(directory), nullptr);
    const std::string socket = std::string(directory) + "/PCI1.sock";
    server.listenUnix(socket);
    const std::string environment =
        "KORVAN_PORT=" + std::to_string(port) +
        " KORVAN_SEARCH='127.0.0.55-127.0.0.57' KORVAN_PCI_DIR=" + directory + " ";
    const char* binDir = std::getenv("KORVAN_BIN_DIR");
    const std::string program = std::string(binDir ? binDir : ".") + "/korvan-cmd";
    auto run = [&](const std::string& arguments) {
        std::string output;
        FILE* pipe = ::popen((environment + program + " " + arguments).c_str(), "r");
        char buffer[256];
        while (pipe && std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        const int status = pipe ? ::pclose(pipe) : -1;
        return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, output);
    };
    EXPECT_EQ(run("--search --timeout 150"), std::make_pair(0, std::string("127.0.0.56\n")));
    EXPECT_EQ(run("--pci 1 '?TRANSPORT'"), std::make_pair(0, std::string("4\n")));
    EXPECT_EQ(run("--pci 2 '?TRANSPORT' 2>/dev/null").first, 255);
    server.stop();
    ::rmdir(directory);
}

} // namespace
} // namespace korvan::link::testing
