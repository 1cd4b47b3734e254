#include "controller/sim/sim_options.h"

#include <charconv>

namespace korvan::controller::sim {

namespace {

bool number(const std::string& text, unsigned& out, unsigned min, unsigned max)
{
    unsigned v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < min || v > max)
        return false;
    out = v;
    return true;
}

} // namespace

std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args, std::string& error)
{
    SimOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
            return o;
        }
        if (i + 1 >= args.size()) {
            error = "missing value after " + a;
            return std::nullopt;
        }
        const std::string& v = args[++i];
        unsigned n = 0;
        if (a == "--profile") {
            o.profile = v;
        } else if (a == "--eth") {
            const auto colon = v.find(':');
            o.ethAddress = v.substr(0, colon);
            if (colon != std::string::npos) {
                if (!number(v.substr(colon + 1), n, 0, 65535)) {
                    error = "bad port in --eth " + v;
                    return std::nullopt;
                }
                o.ethPort = static_cast<uint16_t>(n);
            }
        } else if (a == "--com") {
            if (!number(v, n, 1, 255)) {
                error = "bad port number for --com: " + v;
                return std::nullopt;
            }
            o.com = n;
        } else if (a == "--pci") {
            if (!number(v, n, 1, 255)) {
                error = "bad card number for --pci: " + v;
                return std::nullopt;
            }
            o.pci = n;
        } else if (a == "--state-dir") {
            o.stateDir = v;
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    if (o.profile.empty()) {
        error = "--profile is required";
        return std::nullopt;
    }
    return o;
}

} // namespace korvan::controller::sim
