#include "controller/profile.h"

#include "controller/basic/names.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace korvan::controller {

namespace {

using nlohmann::json;

template <typename T> void take(const json& j, const char* key, T& out)
{
    if (j.contains(key))
        out = j.at(key).get<T>();
}

void takeCount(const json& j, const char* key, int& out, int min, int max)
{
    take(j, key, out);
    if (out < min || out > max)
        throw ProfileError(std::string("profile value \"") + key + "\" is out of range");
}

void takeInput(const json& j, const char* key, int& out)
{
    take(j, key, out);
    if (out < -1)
        throw ProfileError(std::string("profile input \"") + key + "\" is out of range");
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ProfileError("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int blocks(int count, int size)
{
    return (count + size - 1) / size;
}

// A module's I/O is numbered from its CAN id on; the local I/O must end below
// the first channel of the lowest module, or two channels would share a number.
int lowestFreeCanId(const Profile& p)
{
    return std::max({blocks(p.inputs, 16), blocks(p.outputs, 16), blocks(p.analogInputs, 8),
                     blocks(p.analogOutputs, 4), 1}) -
           1;
}

} // namespace

Profile parseProfile(std::string_view text, const std::string& baseDir)
{
    json j;
    try {
        j = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {
        throw ProfileError(std::string("profile is not valid JSON: ") + e.what());
    }
    if (!j.is_object())
        throw ProfileError("profile must be a JSON object");
    Profile p;
    try {
        if (j.contains("axes")) {
            const json& a = j.at("axes");
            takeCount(a, "virtual", p.virtualAxes, 1, 1024);
            takeCount(a, "real", p.realAxes, 0, 255);
            take(a, "features", p.axisFeatures);
            take(a, "types", p.axisTypes);
        }
        if (p.realAxes > p.virtualAxes)
            throw ProfileError("profile has more real axes than axes");
        if (j.contains("io")) {
            const json& io = j.at("io");
            takeCount(io, "inputs", p.inputs, 0, 255);
            takeCount(io, "outputs", p.outputs, 0, 255);
            takeCount(io, "analogInputs", p.analogInputs, 0, 255);
            takeCount(io, "analogOutputs", p.analogOutputs, 0, 255);
            takeCount(io, "pwm", p.pwmChannels, 0, 255);
            if (io.contains("analogSignals")) {
                for (const json& s : io.at("analogSignals")) {
                    AnalogSignal signal;
                    take(s, "shape", signal.shape);
                    take(s, "offset", signal.offset);
                    take(s, "amplitude", signal.amplitude);
                    take(s, "period", signal.periodSeconds);
                    if (signal.shape != "constant" && signal.shape != "sine" &&
                        signal.shape != "ramp")
                        throw ProfileError("unknown analogue signal shape \"" + signal.shape +
                                           "\"");
                    if (signal.periodSeconds <= 0)
                        throw ProfileError("analogue signal period must be positive");
                    p.analogSignals.push_back(signal);
                }
            }
        }
        if (j.contains("memory")) {
            const json& m = j.at("memory");
            takeCount(m, "modbusBits", p.modbusBits, 0, 65535);
            takeCount(m, "modbusRegisters", p.modbusRegisters, 0, 65535);
            takeCount(m, "table", p.tableSize, 1, 16 * 1024 * 1024);
            takeCount(m, "vr", p.vrSize, 1, 1024 * 1024);
            takeCount(m, "flash", p.flashValues, 0, 1024 * 1024);
            takeCount(m, "romKb", p.romKb, 0, 1 << 30);
            takeCount(m, "flashKb", p.flashKb, 0, 1 << 30);
        }
        if (j.contains("scope")) {
            takeCount(j.at("scope"), "channels", p.scopeChannels, 0, 255);
            take(j.at("scope"), "dtRegisters", p.dtRegisters);
        }
        if (j.contains("identity")) {
            const json& id = j.at("identity");
            take(id, "softType", p.softType);
            take(id, "softVersion", p.softVersion);
            take(id, "softDate", p.softDate);
            take(id, "hardId", p.hardId);
            take(id, "controllerId", p.controllerId);
            take(id, "year", p.idYear);
            take(id, "month", p.idMonth);
            take(id, "day", p.idDay);
            take(id, "serial", p.idSerial);
            take(id, "ip", p.ipAddress);
        }
        if (j.contains("modules")) {
            for (const json& m : j.at("modules")) {
                ExpansionModule module;
                takeCount(m, "canId", module.canId, 0, 127);
                if (module.canId < lowestFreeCanId(p))
                    throw ProfileError("expansion module CAN id " + std::to_string(module.canId) +
                                       " overlaps the controller's own I/O; the lowest free "
                                       "CAN id is " +
                                       std::to_string(lowestFreeCanId(p)));
                take(m, "hardId", module.hardId);
                takeCount(m, "inputs", module.inputs, 0, 16);
                takeCount(m, "outputs", module.outputs, 0, 16);
                takeCount(m, "analogInputs", module.analogInputs, 0, 8);
                takeCount(m, "analogOutputs", module.analogOutputs, 0, 4);
                takeCount(m, "axes", module.axes, 0, 255);
                for (const ExpansionModule& other : p.modules) {
                    if (other.canId == module.canId)
                        throw ProfileError("two expansion modules share CAN id " +
                                           std::to_string(module.canId));
                }
                p.modules.push_back(module);
            }
        }
        if (j.contains("bus")) {
            std::size_t nodes = 0;
            for (const json& s : j.at("bus")) {
                BusSlot slot;
                take(s, "type", slot.type);
                slot.type = basic::upperName(slot.type);
                if (slot.type != "ETHERCAT" && slot.type != "RTEX")
                    throw ProfileError("unknown bus type \"" + slot.type + "\"");
                if (s.contains("nodes")) {
                    for (const json& n : s.at("nodes")) {
                        BusNode node;
                        take(n, "kind", node.kind);
                        if (node.kind != "drive" && node.kind != "io")
                            throw ProfileError("unknown bus node kind \"" + node.kind + "\"");
                        take(n, "vendor", node.vendor);
                        take(n, "device", node.device);
                        take(n, "revision", node.revision);
                        take(n, "serial", node.serial);
                        takeCount(n, "addressSwitch", node.addressSwitch, 0, 65535);
                        take(n, "status", node.status);
                        // A drive drives one axis unless the profile says otherwise.
                        node.axes = node.kind == "drive" ? 1 : 0;
                        takeCount(n, "axes", node.axes, 0, node.kind == "drive" ? 8 : 0);
                        takeCount(n, "inputs", node.inputs, 0, 256);
                        takeCount(n, "outputs", node.outputs, 0, 256);
                        takeCount(n, "analogInputs", node.analogInputs, 0, 64);
                        takeCount(n, "analogOutputs", node.analogOutputs, 0, 64);
                        slot.nodes.push_back(node);
                    }
                }
                nodes += slot.nodes.size();
                if (nodes > maxBusNodes)
                    throw ProfileError("a controller has at most 99 bus nodes");
                if (p.slots.size() == maxBusSlots)
                    throw ProfileError("a controller has at most 10 bus slots");
                p.slots.push_back(std::move(slot));
            }
        }
        if (j.contains("busProgram")) {
            const std::filesystem::path path =
                std::filesystem::path(baseDir) / j.at("busProgram").get<std::string>();
            p.busProgramName = path.filename().string();
            p.busProgram = readFile(path.string());
        }
        if (j.contains("switches")) {
            for (const json& s : j.at("switches")) {
                AxisSwitches sw;
                takeCount(s, "axis", sw.axis, 0, p.virtualAxes - 1);
                takeInput(s, "origin", sw.origin);
                takeInput(s, "forwardLimit", sw.forwardLimit);
                takeInput(s, "reverseLimit", sw.reverseLimit);
                takeInput(s, "alarm", sw.alarm);
                takeInput(s, "registration", sw.registration);
                p.switches.push_back(sw);
            }
        }
        if (j.contains("errors")) {
            const json& e = j.at("errors");
            if (e.contains("unsupported")) {
                for (const json& n : e.at("unsupported"))
                    p.errors.unsupportedNames.push_back(basic::upperName(n.get<std::string>()));
            }
            if (e.contains("failingCommands")) {
                for (const json& c : e.at("failingCommands")) {
                    FailingCommand f;
                    f.name = basic::upperName(c.at("name").get<std::string>());
                    f.code = c.at("code").get<int32_t>();
                    p.errors.failingCommands.push_back(f);
                }
            }
        }
    } catch (const json::exception& e) {
        throw ProfileError(std::string("profile has a value of the wrong kind: ") + e.what());
    }
    return p;
}

Profile loadProfile(const std::string& path)
{
    return parseProfile(readFile(path), std::filesystem::path(path).parent_path().string());
}

} // namespace korvan::controller
