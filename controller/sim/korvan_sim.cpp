// korvan-sim: a virtual Korvan controller. It serves the link on a loopback
// Ethernet address, a pty standing for COM<n> and/or the socket of PCI card
// <n>, prints one "korvan-sim ready ..." line once it serves and stops
// cleanly on SIGINT or SIGTERM, removing what it created.
#include "controller/controller.h"
#if KORVAN_SIM_WITH_MOTION
#include "controller/motion_link.h"
#endif
#include "controller/profile.h"
#include "controller/session.h"
#include "controller/sim/sim_options.h"
#include "controller/state_store.h"
#include "link/com_ports.h"
#include "link/link_protocol.h"
#include "link/pci_cards.h"
#include "link/server/link_server.h"
#include "link/server/pty_port.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace korvan;

int serve(const controller::sim::SimOptions& options)
{
    controller::ControllerOptions copts;
    copts.stateDir = options.stateDir;
    controller::Controller ctl(controller::loadProfile(options.profile), copts);
    for (const std::string& warning : ctl.startupWarnings())
        std::cerr << "korvan-sim: warning: " << warning << std::endl;
    std::optional<std::string> eth = options.ethAddress;
    if (!eth && !options.com && !options.pci) {
        // Loopback by default: the controller's own address (the one its
        // state directory keeps, else the profile's) when it is one, else
        // 127.0.0.11.
        const std::string own = ctl.ipAddressText();
        const auto ip = controller::parseIp(own);
        eth = ip && (*ip & 0xff) == 127 ? own : std::string("127.0.0.11");
    }
    if (eth) {
        const auto bound = controller::parseIp(*eth);
        if (!bound)
            throw std::runtime_error("--eth needs an IPv4 address, not " + *eth);
        ctl.serveAt(*bound); // the controller answers at the address it serves
    }
#if KORVAN_SIM_WITH_MOTION
    controller::MotionLink motion(ctl);
#endif
    controller::ControllerLinkEndpoint endpoint(ctl);
    link::server::LinkServer server(endpoint);

    // Block the stop signals before any thread starts, then wait for them here.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::string ready = "korvan-sim ready";
    if (eth) {
        const uint16_t port = server.listenTcp(*eth, options.ethPort.value_or(link::kDefaultPort));
        ready += " eth=" + *eth + ":" + std::to_string(port);
    }
    std::unique_ptr<link::server::PtyPort> pty;
    if (options.com) {
        const auto dir = link::comPortDirectory();
        std::filesystem::create_directories(dir);
        pty = std::make_unique<link::server::PtyPort>(dir / ("COM" + std::to_string(*options.com)));
        server.serveSerial(pty->masterFd());
        ready += " com=" + pty->link().string();
    }
    if (options.pci) {
        const auto path = link::pciCardPath(*options.pci);
        std::filesystem::create_directories(path.parent_path());
        server.listenUnix(path);
        ready += " pci=" + path.string();
    }
#if KORVAN_SIM_WITH_MOTION
    motion.startServo();
#endif
    std::cout << ready << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    pty.reset();
    std::cout << "korvan-sim stopped" << std::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options = korvan::controller::sim::parseSimOptions(
        std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "korvan-sim: " << error << "; korvan-sim --help explains the options\n";
        return 2;
    }
    if (options->help) {
        std::cout << korvan::controller::sim::simUsage;
        return 0;
    }
    try {
        return serve(*options);
    } catch (const std::exception& e) {
        std::cerr << "korvan-sim: " << e.what() << "\n";
        return 1;
    }
}
