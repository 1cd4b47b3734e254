#include "controller/controller.h"

#include "controller/basic/interpreter.h"
#include "controller/basic/names.h"
#include "controller/basic/parser.h"
#include "controller/bus/axis_link.h"
#include "controller/bus/bus_commands.h"
#include "controller/command_host.h"
#include "controller/modbus_map.h"
#include "controller/records.h"
#include "controller/scope/scope_commands.h"
#include "link/krx/krx.h"

#include <algorithm>

namespace korvan::controller {

namespace {

// What a factory-new controller's ROM holds: the profile's bus program.
std::vector<uint8_t> factoryRomPackage(const Profile& profile)
{
    if (profile.busProgram.empty())
        return {};
    link::krx::KrxPackage package;
    package.project = "factory";
    package.files.push_back(
        {profile.busProgramName, {profile.busProgram.begin(), profile.busProgram.end()}});
    return link::krx::writeKrx(package).bytes;
}

} // namespace

Controller::Controller(Profile profile, ControllerOptions options)
    : m_clock(options.clock ? *options.clock : m_steadyClock), m_state(std::move(profile), m_clock),
      m_store(options.stateDir)
{
    registerControllerCommands(m_state.commands);
    registerScopeCommands(m_state.commands);
    registerBusCommands(m_state.commands);
    for (std::size_t axis = 0; axis < m_state.profile.axisTypes.size(); ++axis)
        m_state.parameters.setFactory(AxisParam::ATYPE, static_cast<int>(axis),
                                      m_state.profile.axisTypes[axis]);
    m_state.ipAddress = parseIp(m_state.profile.ipAddress).value_or(0);
    const PersistentState stored = m_store.load();
    if (stored.ipAddress)
        m_state.ipAddress = *stored.ipAddress;
    for (std::size_t i = 0; i < stored.flash.size() && i < m_state.memory.flash.size(); ++i)
        m_state.memory.flash[i] = stored.flash[i];
    m_romPackage = m_store.loadRomPackage();
    if (m_romPackage.empty())
        m_romPackage = factoryRomPackage(m_state.profile);
    applyRomState();
}

void Controller::applyRomState()
{
    // Called with the lock held or before any session exists.
    m_state.parameters.reset();
    m_state.io.reset();
    m_state.bus.reset();
    m_state.memory.resetVolatile();
    m_state.globals.clear();
    for (Ratio& r : m_state.stepRatios)
        r = {};
    for (Ratio& r : m_state.encoderRatios)
        r = {};
    if (!m_romPackage.empty()) {
        std::string ignored;
        runPackage(m_romPackage, ignored);
    }
}

namespace {

bool isBasicFile(const std::string& name)
{
    return name.size() > 4 &&
           basic::namesEqual(std::string_view(name).substr(name.size() - 4), ".BAS");
}

} // namespace

int32_t Controller::runPackage(const std::vector<uint8_t>& bytes, std::string& messages)
{
    const link::krx::ReadResult read = link::krx::readKrx(bytes);
    if (read.error != link::krx::KrxError::None) {
        messages +=
            "ERROR 2004: bad program package: " + std::string(link::krx::errorText(read.error)) +
            "\r\n";
        return static_cast<int32_t>(basic::ErrorCode::BadArgument);
    }
    std::vector<basic::Program> programs;
    bool failed = false;
    for (const link::krx::KrxFile& file : read.package.files) {
        if (!isBasicFile(file.name))
            continue;
        const std::string text(file.data.begin(), file.data.end());
        basic::Parser parser(text, [&](const basic::Diagnostic& d) {
            messages += file.name + ":" + std::to_string(d.line) + ": " + d.message + "\r\n";
        });
        std::optional<basic::Program> program = parser.parseProgram();
        if (!program)
            failed = true;
        else
            programs.push_back(std::move(*program));
    }
    if (failed)
        return compileErrorCode;
    TaskContext task;
    std::string output;
    CommandHost host(m_state, task, output);
    for (const basic::Program& program : programs) {
        basic::Interpreter interpreter(host, [&](const basic::Diagnostic& d) {
            messages += "ERROR " + std::to_string(d.code) + ": line " + std::to_string(d.line) +
                        ": " + d.message + "\r\n";
        });
        interpreter.run(program, output);
    }
    m_state.rebootRequested = false; // a start-up program cannot reboot in a loop
    m_state.dropLinkRequested = false;
    return 0;
}

int32_t Controller::downloadPackage(const std::vector<uint8_t>& package, bool toRom,
                                    std::string& messages)
{
    std::lock_guard lock(m_mutex);
    if (!toRom && package.size() > static_cast<std::size_t>(m_state.profile.romKb) * 1024)
        return ramTooLargeCode;
    const int32_t code = runPackage(package, messages);
    if (code != 0) {
        m_lastError = code;
        return code;
    }
    if (toRom) {
        m_romPackage = package;
        m_store.saveRomPackage(package);
    }
    if (m_state.persistRequested) {
        m_state.persistRequested = false;
        persist();
    }
    return 0;
}

void Controller::persist()
{
    PersistentState state;
    state.ipAddress = m_state.ipAddress;
    state.flash = m_state.memory.flash;
    m_store.save(state);
}

Outcome Controller::execute(TaskContext& task, std::string_view text)
{
    std::lock_guard lock(m_mutex);
    Outcome outcome;
    auto report = [&outcome](const basic::Diagnostic& d) {
        outcome.messages += "ERROR " + std::to_string(d.code) + ": line " + std::to_string(d.line) +
                            ": " + d.message + "\r\n";
    };
    if (text.size() > maxCommandText) {
        outcome.code = static_cast<int32_t>(basic::ErrorCode::TooLong);
        report({basic::ErrorKind::Syntax, 1, outcome.code,
                std::string(basic::errorText(outcome.code))});
    } else {
        CommandHost host(m_state, task, outcome.output);
        outcome.code = basic::runText(text, host, report, outcome.output);
    }
    if (outcome.code != 0)
        m_lastError = outcome.code;
    if (m_state.persistRequested) {
        m_state.persistRequested = false;
        persist();
    }
    if (m_state.dropLinkRequested) {
        m_state.dropLinkRequested = false;
        outcome.dropLink = true;
    }
    if (m_state.rebootRequested) {
        m_state.rebootRequested = false;
        outcome.dropLink = true;
        m_rebootUntil = m_clock.seconds() + rebootSeconds;
        applyRomState();
        task = TaskContext{};
    }
    return outcome;
}

int32_t Controller::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

bool Controller::rebooting() const
{
    std::lock_guard lock(m_mutex);
    return m_rebootUntil >= 0 && m_clock.seconds() < m_rebootUntil;
}

std::vector<uint8_t> Controller::specification() const
{
    std::lock_guard lock(m_mutex);
    return specificationRecord(m_state);
}

std::vector<uint8_t> Controller::childCard(uint16_t previous) const
{
    std::lock_guard lock(m_mutex);
    return childCardRecord(m_state, previous);
}

std::string Controller::ipAddressText() const
{
    std::lock_guard lock(m_mutex);
    return ipText(m_state.ipAddress);
}

void Controller::setIpAddress(uint32_t address)
{
    std::lock_guard lock(m_mutex);
    m_state.ipAddress = address;
}

uint32_t Controller::axisFeatures(int axis) const
{
    std::lock_guard lock(m_mutex);
    const auto& features = m_state.profile.axisFeatures;
    if (axis >= 0 && static_cast<std::size_t>(axis) < features.size() &&
        features[static_cast<std::size_t>(axis)] != 0)
        return features[static_cast<std::size_t>(axis)];
    // Axes without features of their own take those of the module or drive
    // they are linked to.
    return linkedAxisFeatures(m_state, axis);
}

int32_t Controller::flashWrite(uint16_t start, const std::vector<float>& values)
{
    std::lock_guard lock(m_mutex);
    auto& flash = m_state.memory.flash;
    if (static_cast<std::size_t>(start) + values.size() > flash.size())
        return static_cast<int32_t>(basic::ErrorCode::IndexRange);
    std::copy(values.begin(), values.end(), flash.begin() + start);
    persist();
    return 0;
}

std::vector<float> Controller::flashValues() const
{
    std::lock_guard lock(m_mutex);
    return m_state.memory.flash;
}

int32_t Controller::modbusGetBits(uint16_t start, uint16_t count, std::vector<uint8_t>& out) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int32_t>(controller::modbusGetBits(m_state, start, count, out));
}

int32_t Controller::modbusSetBits(uint16_t start, const std::vector<uint8_t>& bits)
{
    std::lock_guard lock(m_mutex);
    return static_cast<int32_t>(controller::modbusSetBits(m_state, start, bits));
}

int32_t Controller::modbusGetRegisters(uint16_t start, uint16_t count,
                                       std::vector<uint16_t>& out) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int32_t>(controller::modbusGetRegisters(m_state, start, count, out));
}

int32_t Controller::modbusSetRegisters(uint16_t start, const std::vector<uint16_t>& values)
{
    std::lock_guard lock(m_mutex);
    return static_cast<int32_t>(controller::modbusSetRegisters(m_state, start, values));
}

int32_t Controller::registerRead(std::string_view area, uint32_t width, uint32_t start,
                                 uint32_t count, std::vector<uint8_t>& out) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int32_t>(controller::registerRead(m_state, area, width, start, count, out));
}

void Controller::setInputLevel(int input, bool level)
{
    std::lock_guard lock(m_mutex);
    m_state.io.setInputLevel(input, level);
}

} // namespace korvan::controller
