// Program tasks of the controller, stepped tick by tick: tasks side by side
// within their budgets, task control, waits, errors, the message stream and
// program packages in RAM and ROM.
#include "controller/session.h"
#include "link/krx/krx.h"

#include "controller_fixture.h"

#include <filesystem>
#include <fstream>

namespace korvan::controller::testing {
namespace {

std::vector<uint8_t> package(std::vector<std::pair<std::string, std::string>> files)
{
    link::krx::KrxPackage p;
    p.project = "Tasks";
    for (auto& [name, text] : files)
        p.files.push_back({name, std::vector<uint8_t>(text.begin(), text.end())});
    return link::krx::writeKrx(p).bytes;
}

class TasksTest : public ControllerTest
{
protected:
    TasksTest() : ControllerTest(profile()) { queue = controller->openMessages(); }

    static Profile profile()
    {
        Profile p = testProfile();
        p.ramKb = 1;
        p.flashKb = 2;
        return p;
    }

    int32_t load(std::vector<std::pair<std::string, std::string>> files, bool rom = false)
    {
        std::string messages;
        const int32_t result =
            controller->downloadPackage(package(std::move(files)), rom, messages);
        downloadMessages += messages;
        return result;
    }

    std::string messages() { return controller->takeMessages(queue, 1 << 20); }

    int queue = 0;
    std::string downloadMessages;
};

TEST_F(TasksTest, TasksRunSideBySideAndAnEndlessLoopOnlyUsesItsBudget)
{
    ASSERT_EQ(load({{"Main.bas", "RUN \"Counter\", 2\r\nFOR i = 1 TO 1000\r\nVR(1) = i\r\nNEXT\r\n"
                                 "PRINT \"main done\""},
                    {"Counter.bas", "WHILE 1\r\nVR(0) = VR(0) + 1\r\nWEND"}}),
              0);
    EXPECT_EQ(controller->runState(), 1);
    tick();
    // WHILE, the assignment and WEND take 3 of the counter's 200 statements:
    // it counted 67 times in its first tick, and main ran in the same tick.
    EXPECT_EQ(ok("?VR(0)"), "67\r\n");
    EXPECT_EQ(ok("?PROC_STATUS(0) PROC_STATUS(1) PROC_STATUS(2)"), "1 0 1\r\n");
    const std::string firstTickMain = ok("?VR(1)");
    EXPECT_NE(firstTickMain, "0\r\n");
    EXPECT_NE(firstTickMain, "1000\r\n");
    tick(20);
    EXPECT_EQ(ok("?VR(1) PROC_STATUS(0)"), "1000 0\r\n");
    EXPECT_EQ(messages(), "main done\r\n");
    EXPECT_EQ(controller->runState(), 1); // the counter runs on
    // 21 ticks of 200 statements: the assignment is every third from the second.
    EXPECT_EQ(ok("?VR(0)"), "1400\r\n");
    EXPECT_EQ(code("STOPTASK 2"), 0);
    EXPECT_EQ(controller->runState(), 0);
    tick(5);
    EXPECT_EQ(ok("?VR(0)"), "1400\r\n");
}

TEST_F(TasksTest, PauseResumeStopAndRunFromTheCommandLine)
{
    ASSERT_EQ(
        load({{"Main.bas", "WHILE 1\r\nVR(0) = VR(0) + 1\r\nWEND"}, {"Other.bas", "VR(5) = 55"}}),
        0);
    tick();
    EXPECT_EQ(code("PAUSETASK 0"), 0);
    EXPECT_EQ(controller->runState(), 3);
    tick(3);
    EXPECT_EQ(ok("?VR(0)"), "67\r\n");
    controller->resume();
    EXPECT_EQ(controller->runState(), 1);
    tick();
    EXPECT_EQ(ok("?VR(0)"), "133\r\n"); // the second tick starts at WEND: 66 more

    EXPECT_EQ(code("RUN \"OTHER.BAS\", 1"), 0);
    EXPECT_EQ(code("RUN \"Main\", 1"), 2018);  // task 1 busy
    EXPECT_EQ(code("RUN \"Main\", 16"), 2018); // no such task
    EXPECT_EQ(code("RUN \"Nothing\""), 2017);
    EXPECT_EQ(code("RUN"), 2004);
    tick();
    EXPECT_EQ(ok("?VR(5) PROC_STATUS(1)"), "55 0\r\n");
    EXPECT_EQ(code("STOP \"main\""), 0);
    EXPECT_EQ(controller->runState(), 0);
    EXPECT_EQ(code("RUN \"main\""), 0); // the lowest free task
    EXPECT_EQ(ok("?PROC_STATUS(0)"), "1\r\n");
    EXPECT_EQ(code("HALT"), 0);
    EXPECT_EQ(ok("?PROC_STATUS(0)"), "0\r\n");
}

TEST_F(TasksTest, ATaskStopsOrPausesItselfAndOthers)
{
    ASSERT_EQ(load({{"Main.bas", "RUN \"Loop\", 4\r\nDELAY(1)\r\nSTOPTASK 4\r\nPAUSETASK 0\r\n"
                                 "PRINT \"resumed\"\r\nSTOPTASK 0\r\nPRINT \"not printed\""},
                    {"Loop.bas", "again:\r\nVR(0) = VR(0) + 1\r\nGOTO again"}}),
              0);
    tick(3);
    EXPECT_EQ(ok("?PROC_STATUS(4)"), "0\r\n");
    EXPECT_EQ(controller->runState(), 3);
    EXPECT_EQ(messages(), "");
    controller->resume();
    tick();
    EXPECT_EQ(messages(), "resumed\r\n");
    EXPECT_EQ(controller->runState(), 0);
}

TEST_F(TasksTest, DelayAndWaitUntilFollowTheClockAndOtherTasks)
{
    ASSERT_EQ(load({{"Main.bas", "DELAY(5)\r\nVR(2) = 1\r\nWAIT UNTIL VR(3) = 1\r\nVR(4) = 1"}}),
              0);
    tick(4);
    EXPECT_EQ(ok("?VR(2)"), "0\r\n");
    tick(3);
    EXPECT_EQ(ok("?VR(2) VR(4)"), "1 0\r\n");
    tick(10);
    EXPECT_EQ(ok("?VR(4)"), "0\r\n");
    EXPECT_EQ(controller->runState(), 1); // waiting counts as running
    ok("VR(3) = 1");
    tick();
    EXPECT_EQ(ok("?VR(4)"), "1\r\n");
    EXPECT_EQ(controller->runState(), 0);
}

TEST_F(TasksTest, ARuntimeErrorStopsOnlyItsTaskAndIsReported)
{
    ASSERT_EQ(load({{"Main.bas", "RUN \"Bad\", 1\r\nWHILE 1\r\nWEND"},
                    {"Bad.bas", "' fails on line 3\r\nVR(0) = 1\r\nOP(99, 1)\r\nVR(0) = 2"}}),
              0);
    tick();
    EXPECT_EQ(controller->runState(), 100);
    EXPECT_EQ(controller->lastError(), 2003);
    EXPECT_EQ(ok("?VR(0) PROC_STATUS(1) PROC_STATUS(0)"), "1 100 1\r\n");
    const std::string text = messages();
    EXPECT_EQ(text.rfind("Task 1 Lostcount:3 in Bad.bas: ERROR 2003: index out of range", 0), 0u)
        << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    // Running the task again clears its error.
    EXPECT_EQ(code("RUN \"Bad\", 1"), 0);
    EXPECT_EQ(controller->runState(), 1);
}

TEST_F(TasksTest, CommandLinesRunControlFlowButNeverWait)
{
    EXPECT_EQ(ok("FOR i = 1 TO 3 : ?i; : NEXT : ?\"\""), "123\r\n");
    EXPECT_EQ(ok("IF 1 THEN ?\"yes\" ELSE ?\"no\""), "yes\r\n");
    EXPECT_EQ(code("WHILE 1 : WEND"), 2016);
    EXPECT_EQ(code("DELAY(10)"), 2016);
    EXPECT_EQ(code("WAIT UNTIL 0"), 2016);
    // A SUB left by the refusal leaves no variables behind.
    EXPECT_EQ(code("sub1(1)\nSUB sub1(a)\nLOCAL hidden\nWHILE 1\nWEND\nENDSUB"), 2016);
    EXPECT_EQ(code("?hidden"), 2002);
    EXPECT_EQ(code("REBOOT"), 0);
}

TEST_F(TasksTest, ProgramsCannotRebootOrUseStatementWordsAsNames)
{
    ASSERT_EQ(load({{"Main.bas", "REBOOT"}}), 0);
    tick();
    EXPECT_EQ(controller->runState(), 100);
    EXPECT_FALSE(controller->rebooting());
    EXPECT_EQ(code("GLOBAL next"), 2010);
    EXPECT_EQ(code("DIM wend(3)"), 2010);
    EXPECT_EQ(code("LOCAL step"), 2010);
    EXPECT_EQ(code("then = 1"), 2010);
}

TEST_F(TasksTest, MessagesWaitForTheFirstSessionAndThenReachEveryOne)
{
    controller->closeMessages(queue);
    ASSERT_EQ(load({{"Main.bas", "PRINT \"early\"\r\nWAIT UNTIL VR(0)\r\nPRINT \"late\""}}), 0);
    tick();
    const int first = controller->openMessages();
    const int second = controller->openMessages();
    EXPECT_EQ(controller->takeMessages(first, 100), "early\r\n");
    EXPECT_EQ(controller->takeMessages(second, 100), "");
    ok("VR(0) = 1");
    tick();
    EXPECT_EQ(controller->takeMessages(first, 3), "lat");
    EXPECT_EQ(controller->takeMessages(first, 100), "e\r\n");
    EXPECT_EQ(controller->takeMessages(second, 100), "late\r\n");
}

TEST_F(TasksTest, PackageSizesAreCheckedAgainstRamAndFlash)
{
    const std::string big(1500, '\'');
    EXPECT_EQ(load({{"Big.bas", big}}), 210);
    EXPECT_EQ(controller->lastError(), 210);
    EXPECT_EQ(load({{"Big.bas", big}}, true), 0);
    const std::string huge(2100, '\'');
    EXPECT_EQ(load({{"Huge.bas", huge}}, true), 2019);
}

TEST_F(TasksTest, ACompileErrorLeavesTheRunningProgramAndReportsEveryLine)
{
    ASSERT_EQ(load({{"Main.bas", "WHILE 1\r\nVR(0) = VR(0) + 1\r\nWEND"}}), 0);
    tick();
    EXPECT_EQ(load({{"Next.bas", "a = 1\r\nb = (\r\nc = 2\r\nFOR i = 1 TO 2"},
                    {"Lib.bas", "GOTO nowhere"}}),
              277);
    EXPECT_NE(downloadMessages.find("Lostcount:2 in Next.bas: ERROR 2001:"), std::string::npos)
        << downloadMessages;
    EXPECT_NE(downloadMessages.find("Lostcount:1 in Lib.bas: ERROR 2013:"), std::string::npos);
    EXPECT_EQ(controller->runState(), 100);
    EXPECT_EQ(controller->lastError(), 277);
    tick();
    EXPECT_EQ(ok("?VR(0)"), "133\r\n"); // the old program runs on
    EXPECT_EQ(load({{"Main.bas", "VR(1) = 1"}}), 0);
    EXPECT_EQ(controller->runState(), 1);
}

TEST_F(TasksTest, HostilePackagesAreRefusedAndNothingRuns)
{
    std::vector<uint8_t> good = package({{"Main.bas", "VR(0) = 1"}});
    std::vector<uint8_t> truncated(good.begin(), good.end() - 6);
    EXPECT_EQ(controller->downloadPackage(truncated, false, downloadMessages), 2004);
    // A name that leaves the package: patch "Main.bas" into "../n.bas" and reseal.
    std::vector<uint8_t> escaping = good;
    const std::string from = "Main.bas";
    auto at = std::search(escaping.begin(), escaping.end(), from.begin(), from.end());
    ASSERT_NE(at, escaping.end());
    const std::string to = "../n.bas";
    std::copy(to.begin(), to.end(), at);
    escaping.resize(escaping.size() - 4);
    const uint32_t crc = link::krx::crc32(escaping);
    for (int i = 0; i < 4; ++i)
        escaping.push_back(static_cast<uint8_t>(crc >> (8 * i)));
    EXPECT_EQ(controller->downloadPackage(escaping, true, downloadMessages), 2004);
    EXPECT_NE(downloadMessages.find("bad program package"), std::string::npos);
    tick();
    EXPECT_EQ(ok("?VR(0)"), "0\r\n");
    EXPECT_EQ(controller->runState(), 0);
}

class RomTasksTest : public ::testing::Test
{
protected:
    RomTasksTest()
    {
        dir = std::filesystem::temp_directory_path() /
              ("korvan-tasks-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
    }
    ~RomTasksTest() override { std::filesystem::remove_all(dir); }

    std::unique_ptr<Controller> start()
    {
        return std::make_unique<Controller>(testProfile(), ControllerOptions{dir.string(), &clock});
    }
    void tick(Controller& c, int n)
    {
        for (int i = 0; i < n; ++i) {
            clock.advance(0.001);
            c.tick();
        }
    }

    std::filesystem::path dir;
    ManualClock clock;
};

TEST_F(RomTasksTest, TheRomProgramStartsAgainAfterARestartAndAReboot)
{
    const std::string program = "GLOBAL boots\r\nSPEED(1) = 66\r\nPRINT \"started\"\r\n"
                                "WHILE 1\r\nVR(0) = VR(0) + 1\r\nWEND";
    {
        auto c = start();
        std::string messages;
        ASSERT_EQ(c->downloadPackage(package({{"Rom.bas", program}}), true, messages), 0);
        std::string ram;
        ASSERT_EQ(c->downloadPackage(package({{"Ram.bas", "SPEED(1) = 77"}}), false, ram), 0);
        tick(*c, 2);
    }
    auto c = start();
    TaskContext task;
    EXPECT_EQ(c->runState(), 1);
    tick(*c, 1);
    EXPECT_EQ(c->execute(task, "?SPEED(1)").output, "66\r\n");
    // Printed before any session: the first session reads it.
    const int queue = c->openMessages();
    EXPECT_EQ(c->takeMessages(queue, 100), "started\r\n");

    EXPECT_EQ(c->execute(task, "HALT\r\nSPEED(1) = 5\r\nreboot").code, 0);
    tick(*c, 1);
    TaskContext fresh;
    EXPECT_EQ(c->execute(fresh, "?SPEED(1) PROC_STATUS(0)").output, "66 1\r\n");
}

TEST_F(RomTasksTest, AProgramTheFlashCannotKeepIsRefusedAndNotStarted)
{
    // A file where the state directory should be: nothing can be stored.
    std::ofstream(dir, std::ios::binary) << "in the way";
    auto c = start();
    std::string messages;
    EXPECT_EQ(c->downloadPackage(package({{"Rom.bas", "VR(0) = 1"}}), true, messages), 263);
    EXPECT_EQ(c->lastError(), 263);
    tick(*c, 2);
    TaskContext task;
    EXPECT_EQ(c->execute(task, "?VR(0) PROC_STATUS(0)").output, "0 0\r\n");
    // RAM needs no flash.
    EXPECT_EQ(c->downloadPackage(package({{"Ram.bas", "VR(0) = 2"}}), false, messages), 0);
    tick(*c, 1);
    EXPECT_EQ(c->execute(task, "?VR(0)").output, "2\r\n");
}

TEST_F(RomTasksTest, ADamagedRomPackageIsReportedAndNothingRuns)
{
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "rom.krx", std::ios::binary) << "KRX\x1a garbage";
    auto c = start();
    EXPECT_EQ(c->runState(), 0);
    const int queue = c->openMessages();
    EXPECT_NE(c->takeMessages(queue, 1000).find("bad program package"), std::string::npos);
}

} // namespace
} // namespace korvan::controller::testing

namespace korvan::controller::testing {
namespace {

// The axis parameter file as the workbench exports it: the two GLOBAL lines,
// one block per real axis and the inverted inputs.
std::string axisParameterFile(int realAxes, int virtualAxes)
{
    std::string text = "GLOBAL ENABLE_OUT(" + std::to_string(virtualAxes) +
                       ")\r\nGLOBAL CLEAR_OUT(" + std::to_string(virtualAxes) + ")\r\n";
    for (int i = 0; i < realAxes; ++i) {
        const std::string n = std::to_string(i);
        text += "BASE(" + n + ")'\r\nATYPE=" + std::to_string(i < 2 ? 1 : 7) + "\r\nUNITS=" + n +
                "00.500\r\nLSPEED=1.000\r\nSPEED=" + std::to_string(200 + i) +
                ".000\r\nACCEL=2000.000\r\nDECEL=3000.000\r\nFASTDEC = 0.000\r\n"
                "SRAMP=10.000\r\nFS_LIMIT=5000.000\r\nRS_LIMIT=-5000.000\r\nINVERT_STEP=0\r\n"
                "DATUM_IN=" +
                n + "\r\nFWD_IN=-1\r\nREV_IN=-1\r\nALM_IN=-1\r\nSTEP_RATIO(1," +
                std::to_string(i + 1) + ")\r\nENCODER_RATIO(-1,2)\r\n'STEP_RATIO1=1\r\n" +
                "'STEP_RATIO2=" + std::to_string(i + 1) +
                "\r\n'ENCODER_RATIO1=-1\r\n'ENCODER_RATIO2=2\r\nENABLE_OUT(" + n +
                ")=" + std::to_string(i + 8) + "\r\nCLEAR_OUT(" + n + ")=-1\r\n\r\n";
    }
    return text + "INVERT_IN(3,1)\r\nINVERT_IN(33,1)\r\n";
}

TEST_F(RomTasksTest, TheExportedAxisParameterFileSetsWhatItSays)
{
    auto c = start();
    std::string messages;
    ASSERT_EQ(
        c->downloadPackage(package({{"127.0.0.60.Bas", axisParameterFile(4, 8)}}), true, messages),
        0)
        << messages;
    tick(*c, 1);
    EXPECT_EQ(c->runState(), 0);
    auto query = [&](const std::string& text) {
        TaskContext task;
        const Outcome o = c->execute(task, text);
        EXPECT_EQ(o.code, 0) << text << o.messages;
        return o.output;
    };
    EXPECT_EQ(query("?*ATYPE(0,4)"), "1 1 7 7\r\n");
    EXPECT_EQ(query("?UNITS(2) SPEED(3) FASTDEC(1) SRAMP(0) RS_LIMIT(3) DATUM_IN(2)"),
              "200.5 203 0 10 -5000 2\r\n");
    EXPECT_EQ(query("?*ENABLE_OUT(0,5) CLEAR_OUT(0)"), "8 9 10 11 -1 -1\r\n");
    EXPECT_EQ(query("?INVERT_IN(3) INVERT_IN(33) INVERT_IN(4)"), "1 1 0\r\n");
    EXPECT_EQ(query("?*SET").substr(0, 28), "STEP_RATIO: 1~1 1~2 1~3 1~4 ");
    // It is the ROM state: a reboot brings it back.
    query("SPEED(3) = 1\r\nreboot");
    tick(*c, 1);
    EXPECT_EQ(query("?SPEED(3)"), "203\r\n");
}

} // namespace
} // namespace korvan::controller::testing
