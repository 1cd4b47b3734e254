// korvan-cmd against an in-test controller on loopback.
#include "link/korvan.h"
#include "link/server/link_server.h"
#include "link/tests/test_endpoint.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

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
