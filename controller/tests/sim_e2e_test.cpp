// korvan-sim end to end: started on loopback, driven by korvan-cmd over
// Ethernet, a pty and the PCI socket, stopped with SIGTERM.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string bin(const char* name)
{
    return std::string(std::getenv("KORVAN_BIN_DIR")) + "/" + name;
}

std::string run(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    pclose(p);
    return out;
}

class SimE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::getenv("KORVAN_BIN_DIR") || !fs::exists(bin("korvan-sim")) ||
            !fs::exists(bin("korvan-cmd")))
            GTEST_SKIP() << "korvan-sim or korvan-cmd not built";
        dir = fs::temp_directory_path() / ("korvan-sim-e2e-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        setenv("KORVAN_COM_DIR", (dir / "com").c_str(), 1);
        setenv("KORVAN_PCI_DIR", (dir / "pci").c_str(), 1);
    }
    void TearDown() override
    {
        stop();
        fs::remove_all(dir);
    }

    void start(const std::string& port)
    {
        const std::string profile =
            std::string(std::getenv("KORVAN_SOURCE_DIR")) + "/resources/sim/default.json";
        const std::string log = (dir / "sim.log").string();
        std::vector<std::string> args = {bin("korvan-sim"),
                                         "--profile",
                                         profile,
                                         "--eth",
                                         "127.0.0.61:" + port,
                                         "--com",
                                         "7",
                                         "--pci",
                                         "1",
                                         "--state-dir",
                                         (dir / "state").string()};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 100; ++i) {
            std::ifstream in(log);
            std::string line;
            if (std::getline(in, line) && line.rfind("korvan-sim ready", 0) == 0)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        FAIL() << "korvan-sim did not get ready";
    }

    int stop()
    {
        if (pid <= 0)
            return -1;
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }

    fs::path dir;
    pid_t pid = -1;
};

TEST_F(SimE2E, ServesEveryTransportAndCleansUp)
{
    const std::string port = std::to_string(20000 + getpid() % 20000);
    start(port);
    const std::string ip = bin("korvan-cmd") + " --ip 127.0.0.61:" + port + " ";
    EXPECT_EQ(run(ip + "'SPEED(2)=12.5' '?SPEED(2) ACCEL(2)'"), "12.5 1000\r\n");
    EXPECT_NE(run(ip + "'?*SET'").find("ENCODER_RATIO: 1~1"), std::string::npos);
    EXPECT_EQ(run(bin("korvan-cmd") + " --pci 1 '?TSIZE'"), "320000\r\n");
    EXPECT_EQ(run(bin("korvan-cmd") + " --com 7 '?SPEED(2)'"), "12.5\r\n");
    EXPECT_TRUE(fs::exists(dir / "com" / "COM7"));
    EXPECT_TRUE(fs::exists(dir / "pci" / "PCI1.sock"));
    const int status = stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(dir / "com" / "COM7"));
    EXPECT_FALSE(fs::exists(dir / "pci" / "PCI1.sock"));
}

TEST_F(SimE2E, IpAddressPersistsInTheStateDirectory)
{
    const std::string port = std::to_string(20000 + (getpid() + 7) % 20000);
    start(port);
    const std::string ip = bin("korvan-cmd") + " --ip 127.0.0.61:" + port + " ";
    run(ip + "'IP_ADDRESS = 127.0.0.99'");
    stop();
    std::ifstream state(dir / "state" / "controller-state.json");
    std::string text((std::istreambuf_iterator<char>(state)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("127.0.0.99"), std::string::npos);
}

} // namespace
