// Nothing the link delivers may crash or hang the controller.
#include "controller_fixture.h"

#include <random>

namespace korvan::controller::testing {
namespace {

using HostileInputTest = ControllerTest;

TEST_F(HostileInputTest, GarbageGetsAnErrorAndTheControllerStillAnswers)
{
    const std::string texts[] = {
        std::string("\0\0\0", 3),
        std::string("?SPEED(0)\0garbage", 17),
        std::string(100 * 1024, 'A'),
        "?" + std::string(100 * 1024, '('),
        "?" + std::string(100 * 1024, '-') + "1",
        std::string(300 * 1024, ' '),
        "GLOBAL huge(999999999)",
        "?*TABLE(0,999999999)",
        "?TABLE(1e300)",
        "SPEED(0)=1e400",
        "\xff\xfe\x80",
        "?\"unterminated",
    };
    for (const std::string& text : texts) {
        const Outcome o = controller->execute(task, text);
        EXPECT_NE(o.code, 0) << text.substr(0, 40);
    }
    EXPECT_EQ(ok("?SPEED(0)"), "100\r\n");
    // Separators and comments alone are an empty program.
    EXPECT_EQ(ok("::::\r\n\r\n'''"), "");
}

TEST_F(HostileInputTest, DeclarationsCannotExhaustMemory)
{
    EXPECT_EQ(code("GLOBAL a(3000000)"), 0);
    EXPECT_EQ(code("GLOBAL b(3000000)"), 2009);
}

TEST_F(HostileInputTest, RandomBytesNeverCrash)
{
    std::mt19937 random(12345);
    const std::string alphabet = "?*()=,:;'\"\r\n +-/^<>ABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789.$ ";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 64);
        for (int i = 0; i < length; ++i)
            text += round % 3 == 0 ? static_cast<char>(random() % 256)
                                   : alphabet[random() % alphabet.size()];
        controller->execute(task, text);
    }
    TaskContext fresh;
    EXPECT_EQ(controller->execute(fresh, "?1+1").output, "2\r\n");
}

} // namespace
} // namespace korvan::controller::testing
