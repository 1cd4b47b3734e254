#include "controller/controller.h"

#include "controller/basic/names.h"
#include "controller/basic/parser.h"
#include "controller/bus/axis_link.h"
#include "controller/bus/bus_commands.h"
#include "controller/bus/drive_control.h"
#include "controller/bus/drive_torque.h"
#include "controller/bus/drive_values.h"
#include "controller/command_host.h"
#include "controller/modbus_map.h"
#include "controller/records.h"
#include "controller/scope/scope_commands.h"
#include "link/krx/krx.h"

#include <algorithm>
#include <utility>

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
    registerDriveValues(m_state.commands);
    for (std::size_t axis = 0; axis < m_state.profile.axisTypes.size(); ++axis)
        m_state.parameters.setFactory(AxisParam::ATYPE, static_cast<int>(axis),
                                      m_state.profile.axisTypes[axis]);
    m_state.ipAddress = parseIp(m_state.profile.ipAddress).value_or(0);
    const PersistentState stored = m_store.load();
    if (stored.ipAddress)
        m_state.ipAddress = *stored.ipAddress;
    m_storedIpAddress = m_state.ipAddress;
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
    m_state.tasks.load({});
    m_state.parameters.reset();
    m_state.io.reset();
    m_state.bus.reset();
    m_state.memory.resetVolatile();
    m_state.globals.clear();
    for (Ratio& r : m_state.stepRatios)
        r = {};
    for (Ratio& r : m_state.encoderRatios)
        r = {};
    for (auto& [id, hook] : m_rebootHooks)
        hook(m_state);
    if (!m_romPackage.empty()) {
        std::string messages;
        startPackage(m_romPackage, messages);
        m_messages.publish(messages);
    }
}

namespace {

bool isBasicFile(const std::string& name)
{
    return name.size() > 4 &&
           basic::namesEqual(std::string_view(name).substr(name.size() - 4), ".BAS");
}

} // namespace

int32_t Controller::compilePackage(const std::vector<uint8_t>& bytes, std::string& messages,
                                   std::vector<LoadedProgram>& programs)
{
    const link::krx::ReadResult read = link::krx::readKrx(bytes);
    if (read.error != link::krx::KrxError::None) {
        messages +=
            "ERROR 2004: bad program package: " + std::string(link::krx::errorText(read.error)) +
            "\r\n";
        return static_cast<int32_t>(basic::ErrorCode::BadArgument);
    }
    bool failed = false;
    for (const link::krx::KrxFile& file : read.package.files) {
        if (!isBasicFile(file.name))
            continue;
        const std::string text(file.data.begin(), file.data.end());
        basic::Parser parser(
            text,
            [&](const basic::Diagnostic& d) {
                messages += "Lostcount:" + std::to_string(d.line) + " in " + file.name +
                            ": ERROR " + std::to_string(d.code) + ": " + d.message + "\r\n";
            },
            [this](std::string_view name) { return isControllerName(m_state, name); });
        std::optional<basic::Program> program = parser.parseProgram();
        if (!program)
            failed = true;
        else
            programs.push_back(
                {file.name, std::make_shared<const basic::Program>(std::move(*program))});
    }
    if (failed) {
        m_state.tasks.markLoadFailed();
        return compileErrorCode;
    }
    return 0;
}

int32_t Controller::startPackage(const std::vector<uint8_t>& bytes, std::string& messages)
{
    std::vector<LoadedProgram> programs;
    if (const int32_t code = compilePackage(bytes, messages, programs); code != 0)
        return code;
    m_state.tasks.load(std::move(programs));
    m_state.tasks.startMain();
    return 0;
}

int32_t Controller::downloadPackage(const std::vector<uint8_t>& package, bool toRom,
                                    std::string& messages)
{
    std::lock_guard lock(m_mutex);
    const Profile& p = m_state.profile;
    std::vector<LoadedProgram> programs;
    int32_t code = 0;
    if (!toRom && package.size() > static_cast<std::size_t>(p.ramKb) * 1024)
        code = ramTooLargeCode;
    else if (toRom && package.size() > static_cast<std::size_t>(p.flashKb) * 1024)
        code = static_cast<int32_t>(basic::ErrorCode::PackageTooLarge);
    else
        code = compilePackage(package, messages, programs);
    // A ROM program runs only once it is in the flash, so that what runs is
    // what the next start runs.
    if (code == 0 && toRom) {
        if (m_store.saveRomPackage(package))
            m_romPackage = package;
        else
            code = flashWriteErrorCode;
    }
    if (code != 0) {
        m_lastError = code;
        return code;
    }
    m_state.tasks.load(std::move(programs));
    m_state.tasks.startMain();
    return 0;
}

void Controller::tick()
{
    std::lock_guard lock(m_mutex);
    for (auto& [id, hook] : m_servoHooks)
        hook(m_state);
    // The drives take the demand the motion update left.
    cycleDrives(m_state);
    updateDriveTorques(m_state, m_state.profile.servoPeriodMs / 1000);
    // Scope samples see this tick's servo update, as a real controller
    // records after it; programs run after both.
    sampleScope(m_state);
    std::string messages;
    m_state.tasks.tick(m_state, m_clock.seconds(), messages, m_lastError);
    m_messages.publish(messages);
    // A program may change the IP address: it is stored, but no session
    // belongs to the task whose link would drop.
    m_state.dropLinkRequested = false;
    storeNewIpAddress();
}

int Controller::addServoHook(ServoHook hook)
{
    std::lock_guard lock(m_mutex);
    const int id = m_nextHookId++;
    m_servoHooks.emplace(id, std::move(hook));
    return id;
}

void Controller::removeServoHook(int id)
{
    std::lock_guard lock(m_mutex);
    m_servoHooks.erase(id);
}

int Controller::addRebootHook(RebootHook hook)
{
    std::lock_guard lock(m_mutex);
    const int id = m_nextHookId++;
    m_rebootHooks.emplace(id, std::move(hook));
    return id;
}

void Controller::removeRebootHook(int id)
{
    std::lock_guard lock(m_mutex);
    m_rebootHooks.erase(id);
}

uint8_t Controller::runState() const
{
    std::lock_guard lock(m_mutex);
    return m_state.tasks.runState();
}

void Controller::resume()
{
    std::lock_guard lock(m_mutex);
    m_state.tasks.resumeAll();
}

int Controller::openMessages()
{
    std::lock_guard lock(m_mutex);
    return m_messages.open();
}

void Controller::closeMessages(int id)
{
    std::lock_guard lock(m_mutex);
    m_messages.close(id);
}

void Controller::postMessages(int id, std::string_view text)
{
    std::lock_guard lock(m_mutex);
    m_messages.post(id, text);
}

std::string Controller::takeMessages(int id, std::size_t maxBytes)
{
    std::lock_guard lock(m_mutex);
    return m_messages.take(id, maxBytes);
}

void Controller::storeNewIpAddress()
{
    if (!m_state.persistRequested)
        return;
    m_state.persistRequested = false;
    m_storedIpAddress = m_state.ipAddress;
    persist();
}

bool Controller::persist()
{
    PersistentState state;
    state.ipAddress = m_storedIpAddress;
    state.flash = m_state.memory.flash;
    return m_store.save(state);
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
    }
    bool reboot = false;
    if (outcome.code == 0) {
        CommandHost host(m_state, task, outcome.output);
        // Between slices of a long line the other sessions and the servo tick
        // get their turn, so a short query is not held up by it.
        const auto letOthersIn = [&] {
            takeRequests(outcome, reboot);
            m_mutex.yield();
        };
        outcome.code = basic::runText(text, host, report, outcome.output, letOthersIn);
    }
    if (outcome.code != 0)
        m_lastError = outcome.code;
    takeRequests(outcome, reboot);
    if (reboot) {
        outcome.dropLink = true;
        m_rebootUntil = m_clock.seconds() + rebootSeconds;
        applyRomState();
        task = TaskContext{};
    }
    return outcome;
}

void Controller::takeRequests(Outcome& outcome, bool& reboot)
{
    storeNewIpAddress();
    if (std::exchange(m_state.dropLinkRequested, false))
        outcome.dropLink = true;
    if (std::exchange(m_state.rebootRequested, false))
        reboot = true;
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

void Controller::serveAt(uint32_t address)
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
    const auto first = flash.begin() + start;
    const std::vector<float> before(first, first + static_cast<std::ptrdiff_t>(values.size()));
    std::copy(values.begin(), values.end(), first);
    // The flash holds only what it kept: a failed write leaves the old values,
    // as a restart would find them.
    if (!persist()) {
        std::copy(before.begin(), before.end(), flash.begin() + start);
        m_lastError = flashWriteErrorCode;
        return flashWriteErrorCode;
    }
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
