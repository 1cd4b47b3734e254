#include "controller/session.h"
#include "link/krx/krx.h"

#include "controller_fixture.h"

#include <atomic>
#include <thread>

namespace korvan::controller::testing {
namespace {

using SessionTest = ControllerTest;

TEST_F(SessionTest, CommandsRepliesAndErrorMessagesPerSession)
{
    ControllerLinkEndpoint endpoint(*controller);
    auto a = endpoint.openSession(link::Transport::Ethernet);
    auto b = endpoint.openSession(link::Transport::Serial);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->execute("BASE(2)").code, 0);
    EXPECT_EQ(a->directCommand("?BASE").output, "2\r\n");
    EXPECT_EQ(b->directCommand("?BASE").output, "0\r\n"); // each session its own task
    const link::CommandResult bad = b->execute("?NOPE");
    EXPECT_EQ(bad.code, 2002);
    EXPECT_EQ(b->lastError(), 2002);
    EXPECT_EQ(a->lastError(), 2002); // kept per controller
    const std::string messages = b->takeMessages(20480);
    EXPECT_NE(messages.find("2002"), std::string::npos);
    EXPECT_EQ(a->takeMessages(20480), "");
    EXPECT_EQ(a->executeNoAck("?1+2"), 0);
    EXPECT_EQ(a->takeReceived(2), "3\r");
    EXPECT_EQ(a->takeReceived(100), "\n");
    EXPECT_EQ(a->runState(), 0);
}

TEST_F(SessionTest, RecordsAndIdentity)
{
    ControllerLinkEndpoint endpoint(*controller);
    auto eth = endpoint.openSession(link::Transport::Ethernet);
    auto pci = endpoint.openSession(link::Transport::Pci);
    EXPECT_EQ(eth->specification().value.size(), 60u);
    EXPECT_EQ(eth->ipAddress().value, "127.0.0.60");
    EXPECT_EQ(pci->ipAddress().code, 3205);
    EXPECT_EQ(eth->softVersion().value.typeText, "Korvan VC-8");
    EXPECT_FLOAT_EQ(eth->softVersion().value.version, 2.5f);
    EXPECT_EQ(eth->hardId().value, 65539u);
    EXPECT_EQ(eth->identity().value.id, 4242);
    EXPECT_EQ(eth->axisCount(), 8);
    EXPECT_EQ(eth->axisFeatures(0).value, 0x11u);
    EXPECT_EQ(eth->axisFeatures(8).code, 2003);
    EXPECT_EQ(eth->childCard(65535).value.size(), 12u);
}

TEST_F(SessionTest, IpChangeAndRebootDropTheLink)
{
    ControllerLinkEndpoint endpoint(*controller);
    auto s = endpoint.openSession(link::Transport::Ethernet);
    EXPECT_EQ(s->execute("?1").code, 0);
    EXPECT_FALSE(s->dropAfterReply());
    EXPECT_EQ(s->execute("IP_ADDRESS = 127.0.0.63").code, 0);
    EXPECT_TRUE(s->dropAfterReply());

    auto r = endpoint.openSession(link::Transport::Ethernet);
    EXPECT_EQ(r->execute("reboot").code, 0);
    EXPECT_TRUE(r->dropAfterReply());
    EXPECT_EQ(endpoint.openSession(link::Transport::Ethernet), nullptr);
    EXPECT_FALSE(endpoint.answersDiscovery());
    clock.advance(2.1);
    EXPECT_NE(endpoint.openSession(link::Transport::Ethernet), nullptr);
    EXPECT_TRUE(endpoint.answersDiscovery());
}

TEST_F(SessionTest, ProgramPackagesRunAndRomOnesComeBackAfterAReboot)
{
    ControllerLinkEndpoint endpoint(*controller);
    auto s = endpoint.openSession(link::Transport::Ethernet);
    EXPECT_EQ(s->downloadPackage({1, 2, 3}, link::PackageTarget::Rom), 2004);
    EXPECT_NE(s->takeMessages(1000).find("bad program package"), std::string::npos);

    auto package = [](const std::string& text) {
        link::krx::KrxPackage p;
        p.project = "Demo";
        p.files.push_back({"Demo.bas", std::vector<uint8_t>(text.begin(), text.end())});
        return link::krx::writeKrx(p).bytes;
    };
    EXPECT_EQ(s->downloadPackage(package("SPEED(0)=\r\nACCEL(0)=5"), link::PackageTarget::Rom),
              277);
    EXPECT_NE(s->takeMessages(1000).find("Lostcount:1 in Demo.bas"), std::string::npos);
    EXPECT_EQ(ok("?ACCEL(0)"), "1000\r\n"); // nothing ran

    EXPECT_EQ(s->downloadPackage(package("GLOBAL ENABLE_OUT(8)\r\nSPEED(0)=55\r\nVR(1)=2"),
                                 link::PackageTarget::RamRun),
              0);
    tick();
    EXPECT_EQ(ok("?SPEED(0)"), "55\r\n");
    EXPECT_EQ(s->downloadPackage(package("SPEED(1)=66"), link::PackageTarget::Rom), 0);
    EXPECT_EQ(s->execute("reboot").code, 0);
    clock.advance(2.5);
    tick();
    EXPECT_EQ(ok("?SPEED(0) SPEED(1)"), "100 66\r\n"); // ROM state: the ROM program ran
}

} // namespace
} // namespace korvan::controller::testing

namespace korvan::controller::testing {
namespace {

TEST_F(SessionTest, ConcurrentSessionsShareOneConsistentController)
{
    ControllerLinkEndpoint endpoint(*controller);
    auto writer = [&](int axis) {
        auto s = endpoint.openSession(link::Transport::Ethernet);
        for (int i = 0; i < 500; ++i) {
            s->execute("BASE(" + std::to_string(axis) + ")\r\nSPEED=" + std::to_string(i));
            s->execute("VR(" + std::to_string(axis) + ")=VR(" + std::to_string(axis) + ")+1");
        }
    };
    std::thread a(writer, 1);
    std::thread b(writer, 2);
    a.join();
    b.join();
    EXPECT_EQ(ok("?SPEED(1) SPEED(2) VR(1) VR(2)"), "499 499 500 500\r\n");
}

TEST_F(SessionTest, ALongLineLetsOtherSessionsInBetweenItsSlices)
{
    ControllerLinkEndpoint endpoint(*controller);
    auto longLine = endpoint.openSession(link::Transport::Ethernet);
    auto query = endpoint.openSession(link::Transport::Ethernet);
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    std::thread runner([&] {
        while (!started)
            std::this_thread::yield();
        const link::CommandResult r =
            longLine->execute("VR(0) = 1 : FOR i = 1 TO 40000 : VR(2) = i : NEXT : VR(1) = 1");
        EXPECT_EQ(r.code, 0) << r.output;
        finished = true;
    });
    // Only a query that gets in while the line runs can see its start
    // without its end.
    bool sawTheMiddle = false;
    std::string last;
    started = true;
    while (!finished || last != "1 1\r\n") {
        last = query->directCommand("?VR(0) VR(1)").output;
        sawTheMiddle = sawTheMiddle || last == "1 0\r\n";
    }
    runner.join();
    EXPECT_TRUE(sawTheMiddle);
    EXPECT_EQ(ok("?VR(2)"), "40000\r\n");
}

TEST_F(SessionTest, WhatALineAsksForStaysWithItWhileOthersRunInBetween)
{
    ControllerLinkEndpoint endpoint(*controller);
    auto changer = endpoint.openSession(link::Transport::Ethernet);
    auto other = endpoint.openSession(link::Transport::Ethernet);
    std::atomic<bool> finished{false};
    std::thread runner([&] {
        EXPECT_EQ(changer->execute("IP_ADDRESS = 127.0.0.63 : FOR i = 1 TO 20000 : NEXT").code, 0);
        finished = true;
    });
    bool otherDropped = false;
    while (!finished) {
        controller->tick(); // the servo tick must not take the request either
        EXPECT_EQ(other->execute("?1").code, 0);
        otherDropped = otherDropped || other->dropAfterReply();
    }
    runner.join();
    EXPECT_FALSE(otherDropped);
    EXPECT_TRUE(changer->dropAfterReply()) << "the line that changed the address drops its link";
}

} // namespace
} // namespace korvan::controller::testing
