// korvan-cmd against an in-test controller on loopback.
#include "link/korvan.h"
#include "link/server/link_server.h"
#include "link/tests/test_endpoint.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace korvan::link::testing {
namespace {

struct CmdRun
{
    int status = -1;
    std::string output;
    std::string errors;
};

std::string program()
{
    const char* binDir = std::getenv("KORVAN_BIN_DIR");
    return std::string(binDir ? binDir : ".") + "/korvan-cmd";
}

// Runs the program with the arguments (shell words) and optional standard input.
CmdRun korvanCmd(const std::string& arguments, const std::string& input = {},
                 const std::string& environment = {})
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::string tag = std::to_string(::getpid());
    const std::filesystem::path in = folder / ("korvan-cmd-in-" + tag);
    const std::filesystem::path errors = folder / ("korvan-cmd-err-" + tag);
    std::ofstream(in, std::ios::binary) << input;
    const std::string command = environment + " " + program() + " " + arguments + " <" +
                                in.string() + " 2>" + errors.string();
    CmdRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream errorText(errors, std::ios::binary);
    run.errors.assign(std::istreambuf_iterator<char>(errorText), {});
    std::filesystem::remove(in);
    std::filesystem::remove(errors);
    return run;
}

class KorvanCmd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_endpoint.replies["?MPOS(0)"] = "3\n";
        m_endpoint.replies["?LINES"] = "1\r\n2\r\n";
        m_endpoint.replies["?CR"] = "a\rb\r\n\r";
        m_address = "127.0.0.54:" + std::to_string(m_server.listenTcp("127.0.0.54", 0));
        m_ip = "--ip " + m_address + " ";
    }
    TestEndpoint m_endpoint;
    server::LinkServer m_server{m_endpoint};
    std::string m_address;
    std::string m_ip;
};

TEST_F(KorvanCmd, PrintsTheReplyOfOneCommand)
{
    const CmdRun run = korvanCmd(m_ip + "'?DPOS(0)'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "12.5000\n");
    EXPECT_EQ(korvanCmd("--direct " + m_ip + "'?DPOS(0)'").output, "12.5000\n");
}

TEST_F(KorvanCmd, ReadsCommandsFromStandardInput)
{
    const CmdRun run = korvanCmd(m_ip, "?DPOS(0)\n\n?MPOS(0)\r\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "12.5000\n3\n");
}

TEST_F(KorvanCmd, PrintsLineFeedsUnlessRawIsAsked)
{
    struct Case
    {
        const char* arguments;
        const char* output;
    };
    const std::vector<Case> cases = {
        {"'?LINES'", "1\n2\n"},
        {"--raw '?LINES'", "1\r\n2\r\n"},
        // A carriage return of its own stays, also at the end of a reply.
        {"'?CR'", "a\rb\n\r"},
        {"--raw '?CR'", "a\rb\r\n\r"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(korvanCmd(m_ip + c.arguments).output, c.output) << c.arguments;
}

TEST_F(KorvanCmd, PrintsAWholeLongReply)
{
    // 4096 values as a TABLE block prints them, well past 40 kB.
    std::string block;
    for (int i = 0; i < 4096; ++i)
        block += std::to_string(i * 1.123456) + (i % 16 == 15 ? "\r\n" : " ");
    m_endpoint.replies["?*TABLE(0,4096)"] = block;
    const CmdRun run = korvanCmd(m_ip + "'?*TABLE(0,4096)'");
    EXPECT_EQ(run.status, 0);
    ASSERT_GT(block.size(), 40000u);
    std::string expected = block;
    for (std::size_t at; (at = expected.find("\r\n")) != std::string::npos;)
        expected.erase(at, 1);
    EXPECT_EQ(run.output.size(), expected.size());
    EXPECT_EQ(run.output, expected);
}

TEST_F(KorvanCmd, StopsAtTheFirstLostLink)
{
    std::string lines;
    for (int i = 0; i < 1000; ++i)
        lines += "?DPOS(0)\n";
    m_endpoint.dropNext = true; // the first reply is the last
    const CmdRun run = korvanCmd(m_ip, lines);
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(run.output, "12.5000\n");
    EXPECT_EQ(run.errors, "korvan-cmd: ?DPOS(0): the link was lost (code 3402)\n");
}

TEST_F(KorvanCmd, ExitStatusSaysWhatFailed)
{
    struct Case
    {
        const char* what;
        std::string arguments;
        int status;
    };
    const std::string tooLong(VXC_MAX_COMMAND, 'A');
    const std::vector<Case> cases = {
        {"success", m_ip + "'?DPOS(0)' '?MPOS(0)'", 0},
        {"a controller code, then success", m_ip + "BOGUS '?DPOS(0)'", 1},
        {"no option value", "--ip", 2},
        {"an unknown option", m_ip + "--bogus '?DPOS(0)'", 2},
        {"two links", m_ip + "--pci 1 '?DPOS(0)'", 2},
        {"nobody at the port", "--ip 127.0.0.54:1 '?DPOS(0)'", 3},
        {"a command too long", m_ip + tooLong, 6},
    };
    for (const Case& c : cases) {
        const CmdRun run = korvanCmd(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.errors;
    }
    m_endpoint.delayMs = 400;
    EXPECT_EQ(korvanCmd("--timeout 100 " + m_ip + "'?DPOS(0)'").status, 5);
    m_endpoint.delayMs = 0;
    EXPECT_EQ(korvanCmd("--search", {}, "KORVAN_SEARCH=not-a-list").status, 6);
    EXPECT_EQ(korvanCmd("--state " + m_ip).output, "1 running\n");
}

TEST(KorvanCmdHelp, PrintsTheWholeUsageWithExamples)
{
    for (const char* option : {"--help", "-h"}) {
        const CmdRun run = korvanCmd(option);
        EXPECT_EQ(run.status, 0) << option;
        for (const char* part : {"usage: korvan-cmd", "--raw", "Exit status:",
                                 "4  the link was lost", "Examples:", "pos=$(korvan-cmd"})
            EXPECT_NE(run.output.find(part), std::string::npos) << option << ": " << part;
    }
}

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
        " KORVAN_SEARCH='127.0.0.55-127.0.0.57' KORVAN_PCI_DIR=" + directory;
    auto run = [&](const std::string& arguments) {
        const CmdRun result = korvanCmd(arguments, {}, environment);
        return std::make_pair(result.status, result.output);
    };
    EXPECT_EQ(run("--search --timeout 150"), std::make_pair(0, std::string("127.0.0.56\n")));
    EXPECT_EQ(run("--pci 1 '?TRANSPORT'"), std::make_pair(0, std::string("4\n")));
    EXPECT_EQ(run("--pci 2 '?TRANSPORT'").first, 3);
    server.stop();
    ::rmdir(directory);
}

} // namespace
} // namespace korvan::link::testing
