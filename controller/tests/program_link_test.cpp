// BASIC programs through libkorvan: a one-file project made beside the .bas
// file, built and downloaded to an in-process controller, which prints
// through the message stream, pauses, resumes and reports its errors.
#include "link/krx/krx.h"

#include "served_controller.h"

#include <filesystem>
#include <fstream>

namespace korvan::controller::testing {
namespace {

namespace fs = std::filesystem;

class ProgramLinkTest : public ::testing::Test
{
protected:
    ProgramLinkTest() : served("127.0.0.140")
    {
        dir = fs::temp_directory_path() /
              ("korvan-programs-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~ProgramLinkTest() override { fs::remove_all(dir); }

    fs::path write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir / name, std::ios::binary) << text;
        return dir / name;
    }

    /// Makes the project of a .bas file and sends it to RAM or ROM.
    int32_t download(const fs::path& bas, bool rom)
    {
        char first[VXC_KPJ_BUFFER_SIZE];
        char second[VXC_KPJ_BUFFER_SIZE];
        if (VXC_MakeOneFileKpj(first, second, bas.c_str()) != 0)
            return -1;
        EXPECT_EQ(fs::path(first), dir / (bas.stem().string() + ".kpj"));
        EXPECT_EQ(fs::path(second), dir);
        return rom ? VXC_MakeKrxAndDown2(served.handle(), first, second, 0, 0)
                   : VXC_MakeKrxAndRamRun2(served.handle(), first, second, 0, 0);
    }

    std::string readMessages()
    {
        std::string buffer(20481, '\0');
        uint32_t length = 0;
        EXPECT_EQ(VXC_ReadMessage(served.handle(), buffer.data(), 20480, &length), 0);
        return buffer.substr(0, length);
    }

    uint8_t state()
    {
        uint8_t s = 50;
        VXC_GetState(served.handle(), &s);
        return s;
    }

    int32_t error()
    {
        int32_t code = -1;
        EXPECT_EQ(VXC_GetError(served.handle(), &code), 0);
        return code;
    }

    ServedController served;
    fs::path dir;
};

TEST_F(ProgramLinkTest, APrintingProgramPausesResumesAndReportsItsError)
{
    ASSERT_NE(served.handle(), nullptr);
    const fs::path bas = write("Blink.bas", "PRINT \"hello from a task\"\r\nPAUSETASK 0\r\n"
                                            "PRINT \"resumed\"; 2 * 21\r\nb = 1 / 0\r\n");
    // The default profile's ROM holds the bus program, which runs from
    // power-up, waiting for its commands; a RAM download replaces it.
    EXPECT_EQ(state(), 1);
    char reply[64] = {};
    EXPECT_EQ(VXC_Execute(served.handle(), "HALT", 1000, reply, sizeof reply), 0);
    EXPECT_EQ(state(), 0);
    ASSERT_EQ(download(bas, false), 0);
    EXPECT_EQ(state(), 1);
    served.controller().tick();
    EXPECT_EQ(readMessages(), "hello from a task\r\n");
    EXPECT_EQ(state(), 3);
    EXPECT_EQ(VXC_Resume(served.handle()), 0);
    EXPECT_EQ(state(), 1);
    served.controller().tick();
    EXPECT_EQ(readMessages(),
              "resumed42\r\nTask 0 Lostcount:4 in Blink.bas: ERROR 2008: division by zero\r\n");
    EXPECT_EQ(state(), 100);
    EXPECT_EQ(error(), 2008);
    EXPECT_EQ(readMessages(), "");
}

TEST_F(ProgramLinkTest, ACompileErrorGives277WithTheLines)
{
    ASSERT_NE(served.handle(), nullptr);
    const fs::path bas = write("Broken.bas", "' fine\r\n?(1\r\nSPEED(0) = (1\r\n");
    EXPECT_EQ(download(bas, true), 277);
    const std::string messages = readMessages();
    EXPECT_NE(messages.find("Lostcount:3 in Broken.bas: ERROR 2001:"), std::string::npos)
        << messages;
    EXPECT_NE(messages.find("Lostcount:2 in Broken.bas: ERROR 2001:"), std::string::npos)
        << messages;
    EXPECT_EQ(error(), 277);
    EXPECT_EQ(state(), 100);
}

TEST_F(ProgramLinkTest, KrxFilesGoToRamAndRomAndRamHasItsSize)
{
    ASSERT_NE(served.handle(), nullptr);
    auto krx = [&](const std::string& name, const std::string& text) {
        link::krx::KrxPackage p{"P", {{"P.bas", {text.begin(), text.end()}}}};
        const auto bytes = link::krx::writeKrx(p).bytes;
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return (dir / name).string();
    };
    ASSERT_EQ(VXC_DownKrxToRamAndRun(served.handle(), krx("a.krx", "VR(7) = 7").c_str()), 0);
    served.controller().tick();
    ASSERT_EQ(VXC_DownKrx(served.handle(), krx("b.krx", "VR(8) = 8").c_str(), 0), 0);
    served.controller().tick();
    char reply[2048] = {};
    ASSERT_EQ(VXC_Execute(served.handle(), "?VR(7) VR(8)", 1000, reply, sizeof reply), 0);
    EXPECT_STREQ(reply, "7 8\r\n");
    // The default profile has 2048 KB of RAM and 16 MB of flash.
    const std::string big = krx("big.krx", std::string(2100 * 1024, '\''));
    EXPECT_EQ(VXC_DownKrxToRamAndRun(served.handle(), big.c_str()), 210);
    EXPECT_EQ(VXC_DownKrx(served.handle(), big.c_str(), 0), 0);
}

} // namespace
} // namespace korvan::controller::testing
