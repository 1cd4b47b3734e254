#include "controller_fixture.h"

#include <filesystem>
#include <fstream>

namespace korvan::controller::testing {
namespace {

class PersistenceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("korvan-state-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::unique_ptr<Controller> start()
    {
        return std::make_unique<Controller>(testProfile(), ControllerOptions{dir.string(), &clock});
    }

    std::filesystem::path dir;
    ManualClock clock;
};

TEST_F(PersistenceTest, FlashAndIpSurviveARestartRamDoesNot)
{
    {
        auto c = start();
        TaskContext task;
        EXPECT_EQ(c->flashWrite(0, std::vector<float>(100, 2.5f)), 0);
        EXPECT_EQ(c->execute(task, "IP_ADDRESS = 127.0.0.62\r\nSPEED(0)=5").code, 0);
    }
    auto c = start();
    TaskContext task;
    EXPECT_EQ(c->flashValues()[99], 2.5f);
    EXPECT_EQ(c->ipAddressText(), "127.0.0.62");
    EXPECT_EQ(c->execute(task, "?SPEED(0)").output, "100\r\n");
}

// Served at another address (korvan-sim's --eth), the controller reports that
// one, but what it stores stays the address it was given.
TEST_F(PersistenceTest, AServedAddressIsReportedButNotStored)
{
    {
        auto c = start();
        TaskContext task;
        EXPECT_EQ(c->execute(task, "IP_ADDRESS = 127.0.0.62").code, 0);
    }
    {
        auto c = start();
        c->serveAt(*parseIp("127.0.0.66"));
        EXPECT_EQ(c->ipAddressText(), "127.0.0.66");
        EXPECT_EQ(c->flashWrite(0, {1.0f}), 0);
    }
    EXPECT_EQ(start()->ipAddressText(), "127.0.0.62");
}

TEST_F(PersistenceTest, FlashValuesTheStateDirectoryCannotKeepAreRefusedAndNotShown)
{
    // A file where the state directory should be: nothing can be stored.
    std::ofstream(dir, std::ios::binary) << "in the way";
    {
        auto c = start();
        EXPECT_EQ(c->flashWrite(3, {1.5f, 2.5f}), 263);
        EXPECT_EQ(c->lastError(), 263);
        // What the flash shows is what a restart would find.
        EXPECT_EQ(c->flashValues()[3], 0.0f);
        EXPECT_EQ(c->flashValues()[4], 0.0f);
        std::filesystem::remove(dir);
        EXPECT_EQ(c->flashWrite(4, {7.0f}), 0);
    }
    auto c = start();
    EXPECT_EQ(c->flashValues()[3], 0.0f);
    EXPECT_EQ(c->flashValues()[4], 7.0f);
}

TEST_F(PersistenceTest, AFreshDirectoryIsFactoryNewAndSaysNothing)
{
    auto c = start();
    EXPECT_EQ(c->ipAddressText(), "127.0.0.60");
    EXPECT_EQ(c->flashValues()[0], 0.0f);
    EXPECT_TRUE(c->startupWarnings().empty());
    EXPECT_EQ(c->flashWrite(99, {1.0f, 2.0f}), 2003); // past the 100 values
}

TEST_F(PersistenceTest, ADamagedStateFileIsKeptAsideNamedAndNeverOverwritten)
{
    struct Case
    {
        const char* what;
        std::string text; // empty: a folder of that name
    };
    const std::vector<Case> cases = {
        {"not JSON", "{not json"},
        {"not an object", "[1, 2]"},
        {"flash values that are texts", R"({"flash": ["a", "b"]})"},
        {"an address that is none", R"({"ip": "999.1.2.3", "flash": [5]})"},
        {"an address that is a number", R"({"ip": 5})"},
        {"a folder", ""},
    };
    const auto state = dir / "controller-state.json";
    const auto aside = dir / "controller-state.json.damaged";
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        if (c.text.empty())
            std::filesystem::create_directories(state / "inside");
        else
            std::ofstream(state, std::ios::binary) << c.text;
        {
            auto controller = start();
            EXPECT_EQ(controller->ipAddressText(), "127.0.0.60") << c.what;
            EXPECT_EQ(controller->flashValues()[0], 0.0f) << c.what;
            ASSERT_EQ(controller->startupWarnings().size(), 1u) << c.what;
            const std::string& warning = controller->startupWarnings()[0];
            EXPECT_NE(warning.find(state.string()), std::string::npos) << warning;
            EXPECT_NE(warning.find(aside.string()), std::string::npos) << warning;
            EXPECT_EQ(controller->flashWrite(0, {3.0f}), 0) << c.what;
        }
        // The damaged file is where the warning said, as it was.
        if (c.text.empty()) {
            EXPECT_TRUE(std::filesystem::is_directory(aside / "inside")) << c.what;
        } else {
            std::ifstream in(aside, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.text) << c.what;
        }
        auto again = start();
        EXPECT_EQ(again->flashValues()[0], 3.0f) << c.what;
        EXPECT_TRUE(again->startupWarnings().empty()) << c.what;
    }

    // A second damaged file does not take the first one's place.
    std::ofstream(state, std::ios::binary) << "{second";
    auto controller = start();
    ASSERT_EQ(controller->startupWarnings().size(), 1u);
    EXPECT_NE(controller->startupWarnings()[0].find("controller-state.json.damaged-2"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(aside));
}

TEST_F(PersistenceTest, ARomProgramThatCannotBeReadStopsStartUpNamingIt)
{
    std::filesystem::create_directories(dir / "rom.krx");
    try {
        start();
        ADD_FAILURE() << "the controller started";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find((dir / "rom.krx").string()), std::string::npos)
            << e.what();
    }
}

TEST_F(PersistenceTest, RebootDropsTheLinkAndComesBackWithRomState)
{
    auto c = start();
    TaskContext task;
    EXPECT_EQ(c->execute(task, "SPEED(0)=5\nGLOBAL g\ng=1\nOP(1,1)\nVR(3)=4").code, 0);
    EXPECT_EQ(c->flashWrite(0, {7.0f}), 0);
    const Outcome o = c->execute(task, "reboot");
    EXPECT_EQ(o.code, 0);
    EXPECT_TRUE(o.dropLink);
    EXPECT_TRUE(c->rebooting());
    clock.advance(1.0);
    EXPECT_TRUE(c->rebooting());
    clock.advance(1.5);
    EXPECT_FALSE(c->rebooting());
    TaskContext fresh;
    EXPECT_EQ(c->execute(fresh, "?SPEED(0) OP(1) VR(3)").output, "100 0 4\r\n");
    EXPECT_EQ(c->execute(fresh, "?g").code, 2002);
    EXPECT_EQ(c->flashValues()[0], 7.0f);
}

} // namespace
} // namespace korvan::controller::testing
