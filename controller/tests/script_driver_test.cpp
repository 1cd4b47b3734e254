// Runs the Korbasic scripts under tests/scripts/<feature>/<case>.bas. Each
// line runs as one command line; a trailing comment states what it must do:
//   ?1+1            ' expect: 2
//   ?NOPE           ' expect error: 2002
// A line without an expectation must succeed.
//
// Scripts under tests/scripts/programs/ run whole, as a program task
// downloaded in a package and stepped tick by tick until it ends. Their
// "' expect: " comments list the printed lines in order (a comment line of
// its own may carry one, for loops); "' expect error: N" marks the line where
// the program stops with code N at run time, "' expect compile error: N" a
// line the download refuses with 277.
#include "controller/controller.h"
#include "controller/profile.h"
#include "link/krx/krx.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace korvan::controller::testing {
namespace {

namespace fs = std::filesystem;

fs::path scriptRoot()
{
    const char* source = std::getenv("KORVAN_SOURCE_DIR");
    return fs::path(source ? source : ".") / "controller" / "tests" / "scripts";
}

Profile defaultProfile()
{
    return loadProfile(
        (fs::path(std::getenv("KORVAN_SOURCE_DIR")) / "resources" / "sim" / "default.json")
            .string());
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
    }
    return out;
}

// What a program script says it must do.
struct ProgramExpectation
{
    std::vector<std::string> printed;
    int errorLine = 0;
    int errorCode = 0;
    bool compileError = false;
};

ProgramExpectation expectationsOf(const std::vector<std::string>& source)
{
    ProgramExpectation e;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const std::string& line = source[i];
        if (const auto at = line.find("' expect: "); at != std::string::npos) {
            e.printed.push_back(line.substr(at + 10));
        } else if (const auto err = line.find("' expect error: "); err != std::string::npos) {
            e.errorLine = static_cast<int>(i + 1);
            e.errorCode = std::atoi(line.c_str() + err + 16);
        } else if (const auto c = line.find("' expect compile error: "); c != std::string::npos) {
            e.errorLine = static_cast<int>(i + 1);
            e.errorCode = std::atoi(line.c_str() + c + 24);
            e.compileError = true;
        }
    }
    return e;
}

void runProgram(const fs::path& path)
{
    ManualClock clock;
    Controller controller(defaultProfile(), {"", &clock});
    const int queue = controller.openMessages();
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const ProgramExpectation expected = expectationsOf(lines(text));
    const std::string file = path.filename().string();
    link::krx::KrxPackage package{"Script", {{file, {text.begin(), text.end()}}}};
    std::string messages;
    const int32_t code =
        controller.downloadPackage(link::krx::writeKrx(package).bytes, false, messages);
    const std::string where = "Lostcount:" + std::to_string(expected.errorLine) + " in " + file +
                              ": ERROR " + std::to_string(expected.errorCode) + ":";
    if (expected.compileError) {
        EXPECT_EQ(code, 277) << file;
        EXPECT_NE(messages.find(where), std::string::npos) << messages;
        return;
    }
    ASSERT_EQ(code, 0) << messages;
    // Ten simulated minutes at most; every script ends long before.
    for (int t = 0; t < 600000 && controller.runState() == 1; ++t) {
        clock.advance(0.001);
        controller.tick();
    }
    std::vector<std::string> printed = lines(controller.takeMessages(queue, 1 << 20));
    if (expected.errorCode != 0) {
        EXPECT_EQ(controller.runState(), 100) << file;
        ASSERT_FALSE(printed.empty()) << file;
        EXPECT_EQ(printed.back().rfind("Task 0 " + where, 0), 0u) << printed.back();
        printed.pop_back();
    } else {
        EXPECT_EQ(controller.runState(), 0) << file;
    }
    EXPECT_EQ(printed, expected.printed) << file;
}

void runScript(const fs::path& path)
{
    ManualClock clock;
    Controller controller(defaultProfile(), {"", &clock});
    TaskContext task;
    std::ifstream in(path);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string where = path.filename().string() + ":" + std::to_string(number);
        std::string expectOutput;
        bool hasOutput = false;
        int expectCode = 0;
        if (const auto at = line.find("' expect: "); at != std::string::npos) {
            expectOutput = line.substr(at + 10);
            hasOutput = true;
        } else if (const auto err = line.find("' expect error: "); err != std::string::npos) {
            expectCode = std::atoi(line.c_str() + err + 16);
        }
        const Outcome o = controller.execute(task, line);
        EXPECT_EQ(o.code, expectCode) << where << ": " << line << "\n" << o.messages;
        if (hasOutput) {
            std::string out = o.output;
            while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
                out.pop_back();
            EXPECT_EQ(out, expectOutput) << where << ": " << line;
        }
    }
}

TEST(Scripts, EveryScriptMeetsItsExpectations)
{
    ASSERT_NE(std::getenv("KORVAN_SOURCE_DIR"), nullptr);
    int scripts = 0;
    for (const auto& entry : fs::recursive_directory_iterator(scriptRoot())) {
        if (entry.path().extension() != ".bas")
            continue;
        SCOPED_TRACE(entry.path().string());
        if (entry.path().parent_path().filename() == "programs")
            runProgram(entry.path());
        else
            runScript(entry.path());
        ++scripts;
    }
    EXPECT_GT(scripts, 0);
}

} // namespace
} // namespace korvan::controller::testing
