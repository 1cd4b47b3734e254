#include "testing/fakelink/fake_link.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <deque>
#include <memory>

// The link's opaque handle, as the fake keeps it.
struct VxcLink
{
    uint8_t connectType = VXC_LINK_ETHERNET;
    std::string address;
    uint32_t timeoutMs = 1000;
    bool open = true;
};

namespace korvan::testing {

struct FakeLink::State
{
    // Handles live as long as the process so that a stale pointer is never
    // mistaken for a newer handle at the same address.
    std::vector<std::unique_ptr<VxcLink>> handles;
    VxcLink* primary = nullptr;
    bool active = false;

    std::map<std::string, Reply, std::less<>> exact;
    std::map<std::string, std::deque<Reply>, std::less<>> once;
    std::vector<std::pair<std::string, Reply>> prefixes;
    Reply fallback;
    std::function<std::optional<Reply>(std::string_view)> responder;

    std::map<std::string, int32_t, std::less<>> functionFailures;
    std::map<std::pair<std::string, std::string>, int32_t> commandFailures;
    std::map<std::string, std::map<int, int32_t>, std::less<>> nthFailures;
    std::map<std::string, int, std::less<>> callCounts;

    std::array<uint8_t, VXC_SPEC_RECORD_SIZE> spec{};
    std::vector<std::array<uint8_t, VXC_CHILD_CARD_SIZE>> cards;
    float softVersion = 1.0f;
    std::string softType = "KV-SIM";
    int32_t softDate = 20260101;
    uint8_t axes = 4;
    std::string ip = "127.0.0.11";
    uint32_t hardId = 0;
    std::array<int32_t, 5> idDate{};
    std::map<int32_t, uint32_t> features;
    uint8_t runState = 0;
    int32_t controllerError = 0;
    std::vector<uint8_t> bits = std::vector<uint8_t>(65536, 0);
    std::vector<uint16_t> registers = std::vector<uint16_t>(65536, 0);
    std::map<std::string, std::map<uint32_t, float>, std::less<>> areas;
    std::vector<float> flashArea = std::vector<float>(65536, 0.0f);
    std::string searchResult;
    int32_t pciCards = 0;
    std::vector<std::string> refused;
    std::string messages;
    std::string receives;
    std::string kpjFirst = "project.kpj";
    std::string kpjSecond = "project";

    std::vector<RecordedCall> calls;

    void clear() { *this = State{std::move(handles)}; }
    explicit State(std::vector<std::unique_ptr<VxcLink>> kept = {}) : handles(std::move(kept))
    {
        for (auto& link : handles)
            link->open = false;
    }

    VxcLink* newHandle(uint8_t type, std::string address)
    {
        auto link = std::make_unique<VxcLink>();
        link->connectType = type;
        link->address = std::move(address);
        handles.push_back(std::move(link));
        return handles.back().get();
    }

    bool isOpen(ControllerHandle handle) const
    {
        if (!handle)
            return false;
        return std::any_of(handles.begin(), handles.end(), [handle](const auto& link) {
            return link.get() == handle && link->open;
        });
    }

    // Counts the call and gives the injected failure, if any.
    std::optional<int32_t> injected(const std::string& function, std::string_view text)
    {
        const int nth = callCounts[function]++;
        if (auto f = nthFailures.find(function); f != nthFailures.end()) {
            if (auto n = f->second.find(nth); n != f->second.end())
                return n->second;
        }
        if (auto c = commandFailures.find({function, std::string(text)});
            c != commandFailures.end())
            return c->second;
        if (auto f = functionFailures.find(function); f != functionFailures.end())
            return f->second;
        return std::nullopt;
    }

    Reply answer(std::string_view command)
    {
        if (auto q = once.find(command); q != once.end() && !q->second.empty()) {
            Reply r = q->second.front();
            q->second.pop_front();
            return r;
        }
        if (auto e = exact.find(command); e != exact.end())
            return e->second;
        const std::pair<std::string, Reply>* best = nullptr;
        for (const auto& p : prefixes) {
            if (command.substr(0, p.first.size()) == p.first &&
                (!best || p.first.size() > best->first.size()))
                best = &p;
        }
        if (best)
            return best->second;
        if (responder) {
            if (auto r = responder(command))
                return *r;
        }
        return fallback;
    }
};

namespace {

FakeLink* g_current = nullptr;

void copyText(std::string_view text, char* out, uint32_t capacity)
{
    if (!out || capacity == 0)
        return;
    const std::size_t n = std::min<std::size_t>(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

} // namespace

FakeLink::State& FakeLink::state()
{
    static State s;
    return s;
}

FakeLink::FakeLink()
{
    assert(!g_current && "only one FakeLink at a time");
    g_current = this;
    reset();
}

FakeLink::~FakeLink()
{
    state().clear();
    g_current = nullptr;
}

void FakeLink::reset()
{
    State& s = state();
    s.clear();
    s.active = true;
    s.primary = s.newHandle(VXC_LINK_ETHERNET, "127.0.0.11");
}

ControllerHandle FakeLink::handle()
{
    return state().primary;
}

ControllerHandle FakeLink::createHandle(uint8_t connectType, std::string address)
{
    return state().newHandle(connectType, std::move(address));
}

bool FakeLink::isOpen(ControllerHandle handle) const
{
    return state().isOpen(handle);
}

void FakeLink::reply(std::string command, std::string text, int32_t code)
{
    state().exact[std::move(command)] = Reply{std::move(text), code};
}

void FakeLink::replyOnce(std::string command, std::string text, int32_t code)
{
    state().once[std::move(command)].push_back(Reply{std::move(text), code});
}

void FakeLink::replyPrefix(std::string prefix, std::string text, int32_t code)
{
    state().prefixes.emplace_back(std::move(prefix), Reply{std::move(text), code});
}

void FakeLink::defaultReply(std::string text, int32_t code)
{
    state().fallback = Reply{std::move(text), code};
}

void FakeLink::respond(std::function<std::optional<Reply>(std::string_view)> responder)
{
    state().responder = std::move(responder);
}

void FakeLink::fail(std::string function, int32_t code)
{
    state().functionFailures[std::move(function)] = code;
}

void FakeLink::fail(std::string function, std::string command, int32_t code)
{
    state().commandFailures[{std::move(function), std::move(command)}] = code;
}

void FakeLink::failNth(std::string function, int nth, int32_t code)
{
    State& s = state();
    const int already = s.callCounts[function];
    s.nthFailures[std::move(function)][already + nth] = code;
}

void FakeLink::setSpecRecord(const std::array<uint8_t, VXC_SPEC_RECORD_SIZE>& record)
{
    state().spec = record;
}

void FakeLink::addChildCard(const std::array<uint8_t, VXC_CHILD_CARD_SIZE>& record)
{
    auto& cards = state().cards;
    cards.push_back(record);
    std::stable_sort(cards.begin(), cards.end(), [](const auto& a, const auto& b) {
        return (a[4] | a[5] << 8) < (b[4] | b[5] << 8);
    });
}

void FakeLink::setSoftVersion(float version, std::string typeText, int32_t date)
{
    State& s = state();
    s.softVersion = version;
    s.softType = std::move(typeText);
    s.softDate = date;
}

void FakeLink::setAxisCount(uint8_t axes)
{
    state().axes = axes;
}
void FakeLink::setIpAddress(std::string address)
{
    state().ip = std::move(address);
}
void FakeLink::setHardId(uint32_t id)
{
    state().hardId = id;
}

void FakeLink::setControllerIdDate(int32_t id, int32_t year, int32_t month, int32_t day,
                                   int32_t serial)
{
    state().idDate = {id, year, month, day, serial};
}

void FakeLink::setAxisFeatures(int32_t axis, uint32_t features)
{
    state().features[axis] = features;
}

void FakeLink::setState(uint8_t runState)
{
    state().runState = runState;
}
void FakeLink::setControllerError(int32_t code)
{
    state().controllerError = code;
}
void FakeLink::setModbusBit(uint16_t address, bool on)
{
    state().bits[address] = on ? 1 : 0;
}
bool FakeLink::modbusBit(uint16_t address) const
{
    return state().bits[address] != 0;
}

void FakeLink::setModbusRegister(uint16_t address, uint16_t value)
{
    state().registers[address] = value;
}

uint16_t FakeLink::modbusRegister(uint16_t address) const
{
    return state().registers[address];
}

void FakeLink::setRegister(std::string area, uint32_t index, float value)
{
    state().areas[std::move(area)][index] = value;
}

const std::vector<float>& FakeLink::flash() const
{
    return state().flashArea;
}
void FakeLink::setSearchResult(std::string text)
{
    state().searchResult = std::move(text);
}
void FakeLink::setPciCardCount(int32_t count)
{
    state().pciCards = count;
}
void FakeLink::refuseOpen(std::string address)
{
    state().refused.push_back(std::move(address));
}
void FakeLink::pushMessage(std::string text)
{
    state().messages += text;
}
void FakeLink::pushReceive(std::string text)
{
    state().receives += text;
}

void FakeLink::setKpjTexts(std::string first, std::string second)
{
    state().kpjFirst = std::move(first);
    state().kpjSecond = std::move(second);
}

const std::vector<RecordedCall>& FakeLink::calls() const
{
    return state().calls;
}

std::vector<RecordedCall> FakeLink::calls(std::string_view function) const
{
    std::vector<RecordedCall> out;
    for (const auto& call : state().calls) {
        if (call.function == function)
            out.push_back(call);
    }
    return out;
}

namespace {

std::optional<Via> viaOfFunction(std::string_view function)
{
    if (function == "VXC_Execute")
        return Via::Execute;
    if (function == "VXC_DirectCommand")
        return Via::Direct;
    if (function == "VXC_ExecuteNoAck")
        return Via::NoAck;
    return std::nullopt;
}

} // namespace

std::vector<SentCommand> FakeLink::sent() const
{
    std::vector<SentCommand> out;
    for (const auto& call : state().calls) {
        if (auto via = viaOfFunction(call.function))
            out.push_back({*via, call.text});
    }
    return out;
}

std::vector<std::string> FakeLink::commands() const
{
    std::vector<std::string> out;
    for (auto& command : sent())
        out.push_back(std::move(command.text));
    return out;
}

Via FakeLink::viaOf(std::size_t nth) const
{
    return sent().at(nth).via;
}

void FakeLink::clearCalls()
{
    state().calls.clear();
}

std::ostream& operator<<(std::ostream& out, Via via)
{
    switch (via) {
    case Via::Execute:
        return out << "VXC_Execute";
    case Via::Direct:
        return out << "VXC_DirectCommand";
    case Via::NoAck:
        return out << "VXC_ExecuteNoAck";
    }
    return out;
}

namespace {

void printEscaped(std::ostream& out, std::string_view text)
{
    out << '"';
    for (char c : text) {
        if (c == '\r')
            out << "\\r";
        else if (c == '\n')
            out << "\\n";
        else if (c == '\t')
            out << "\\t";
        else
            out << c;
    }
    out << '"';
}

} // namespace

std::ostream& operator<<(std::ostream& out, const SentCommand& command)
{
    out << command.via << '(';
    printEscaped(out, command.text);
    return out << ')';
}

std::ostream& operator<<(std::ostream& out, const RecordedCall& call)
{
    out << call.function << '(';
    printEscaped(out, call.text);
    out << " timeout=" << call.timeoutMs << " capacity=" << call.capacity << " args=[";
    for (auto a : call.args)
        out << a << ' ';
    return out << "])";
}

} // namespace korvan::testing

// ---- The link calls --------------------------------------------------------

using korvan::testing::copyText;
using korvan::testing::FakeLink;
using korvan::testing::RecordedCall;

namespace {

FakeLink::State& S()
{
    return FakeLink::state();
}

RecordedCall& record(const char* function, ControllerHandle handle, std::string_view text = {})
{
    RecordedCall call;
    call.function = function;
    call.handle = handle;
    call.text = std::string(text);
    S().calls.push_back(std::move(call));
    return S().calls.back();
}

std::string_view textOf(const char* text)
{
    return text ? std::string_view(text) : "";
}

// The common prologue of calls on a handle: record, injected failure, handle check.
std::optional<int32_t> enter(RecordedCall& call)
{
    if (auto code = S().injected(call.function, call.text))
        return code;
    if (!S().isOpen(call.handle))
        return VXC_ERR_BAD_HANDLE;
    return std::nullopt;
}

// Runs one command: the contracts of VXC_Execute and VXC_DirectCommand.
int32_t runCommand(RecordedCall& call, const char* command, char* reply, uint32_t capacity)
{
    call.capacity = capacity;
    call.outputGiven = reply != nullptr;
    if (auto code = enter(call))
        return *code;
    if (!command || (!reply && capacity != 0))
        return VXC_ERR_INVALID_ARGUMENT;
    if (std::strlen(command) >= VXC_MAX_COMMAND)
        return VXC_ERR_TOO_LONG;
    const korvan::testing::Reply answer = S().answer(command);
    copyText(answer.text, reply, capacity);
    return answer.code;
}

int32_t takePending(RecordedCall& call, std::string& pending, char* buffer, uint32_t capacity,
                    uint32_t* length)
{
    call.capacity = capacity;
    call.outputGiven = buffer != nullptr;
    if (auto code = enter(call))
        return *code;
    if (!buffer || capacity == 0 || !length)
        return VXC_ERR_INVALID_ARGUMENT;
    const std::size_t n = std::min<std::size_t>(pending.size(), capacity - 1);
    std::memcpy(buffer, pending.data(), n);
    buffer[n] = '\0';
    *length = static_cast<uint32_t>(n);
    pending.erase(0, n);
    return VXC_OK;
}

bool refused(std::string_view address)
{
    const auto& list = S().refused;
    return std::find(list.begin(), list.end(), address) != list.end();
}

int32_t openHandle(RecordedCall& call, uint8_t type, std::string_view address,
                   ControllerHandle* handle)
{
    if (auto code = S().injected(call.function, call.text))
        return *code;
    if (!handle || address.empty())
        return VXC_ERR_INVALID_ARGUMENT;
    if (refused(address))
        return VXC_ERR_OPEN_FAILED;
    *handle = S().newHandle(type, std::string(address));
    return VXC_OK;
}

} // namespace

extern "C" {

int32_t VXC_SetComDefaultBaud(uint32_t baud, uint32_t dataBits, uint32_t parity, uint32_t stopBits)
{
    RecordedCall& call = record("VXC_SetComDefaultBaud", nullptr);
    call.args = {baud, dataBits, parity, stopBits};
    if (auto code = S().injected(call.function, call.text))
        return *code;
    return VXC_OK;
}

int32_t VXC_OpenCom(uint32_t port, ControllerHandle* handle)
{
    RecordedCall& call = record("VXC_OpenCom", nullptr, "COM" + std::to_string(port));
    call.args = {port};
    return openHandle(call, VXC_LINK_SERIAL, call.text, handle);
}

int32_t VXC_PeakCom(uint32_t port, uint32_t timeoutMs, ControllerHandle* handle)
{
    RecordedCall& call = record("VXC_PeakCom", nullptr, "COM" + std::to_string(port));
    call.args = {port};
    call.timeoutMs = timeoutMs;
    return openHandle(call, VXC_LINK_SERIAL, call.text, handle);
}

int32_t VXC_SearchEth(char* buffer, uint32_t capacity, uint32_t timeoutMs)
{
    RecordedCall& call = record("VXC_SearchEth", nullptr);
    call.capacity = capacity;
    call.timeoutMs = timeoutMs;
    call.outputGiven = buffer != nullptr;
    if (auto code = S().injected(call.function, call.text))
        return *code;
    if (!buffer || capacity == 0)
        return VXC_ERR_INVALID_ARGUMENT;
    copyText(S().searchResult, buffer, capacity);
    return VXC_OK;
}

int32_t VXC_OpenEth(const char* ip, ControllerHandle* handle)
{
    RecordedCall& call = record("VXC_OpenEth", nullptr, textOf(ip));
    return openHandle(call, VXC_LINK_ETHERNET, call.text, handle);
}

int32_t VXC_FastOpen(int32_t type, const char* address, uint32_t timeoutMs,
                     ControllerHandle* handle)
{
    RecordedCall& call = record("VXC_FastOpen", nullptr, textOf(address));
    call.args = {type};
    call.timeoutMs = timeoutMs;
    return openHandle(call, static_cast<uint8_t>(type), call.text, handle);
}

int32_t VXC_GetMaxPciCards(void)
{
    RecordedCall& call = record("VXC_GetMaxPciCards", nullptr);
    if (auto code = S().injected(call.function, call.text))
        return *code;
    return S().pciCards;
}

int32_t VXC_Open(int32_t type, const char* name, ControllerHandle* handle)
{
    RecordedCall& call = record("VXC_Open", nullptr, textOf(name));
    call.args = {type};
    return openHandle(call, static_cast<uint8_t>(type), call.text, handle);
}

int32_t VXC_Close(ControllerHandle handle)
{
    RecordedCall& call = record("VXC_Close", handle);
    if (auto code = enter(call))
        return *code;
    handle->open = false;
    return VXC_OK;
}

int32_t VXC_SetTimeOut(ControllerHandle handle, uint32_t timeoutMs)
{
    RecordedCall& call = record("VXC_SetTimeOut", handle);
    call.timeoutMs = timeoutMs;
    if (auto code = enter(call))
        return *code;
    handle->timeoutMs = timeoutMs;
    return VXC_OK;
}

uint8_t VXC_GetConnectType(ControllerHandle handle)
{
    RecordedCall& call = record("VXC_GetConnectType", handle);
    if (enter(call))
        return 0;
    return handle->connectType;
}

int32_t VXC_Execute(ControllerHandle handle, const char* command, uint32_t timeoutMs, char* reply,
                    uint32_t capacity)
{
    RecordedCall& call = record("VXC_Execute", handle, textOf(command));
    call.timeoutMs = timeoutMs;
    return runCommand(call, command, reply, capacity);
}

int32_t VXC_DirectCommand(ControllerHandle handle, const char* command, char* reply,
                          uint32_t capacity)
{
    RecordedCall& call = record("VXC_DirectCommand", handle, textOf(command));
    return runCommand(call, command, reply, capacity);
}

int32_t VXC_ExecuteNoAck(ControllerHandle handle, const char* command, uint32_t timeoutMs)
{
    RecordedCall& call = record("VXC_ExecuteNoAck", handle, textOf(command));
    call.timeoutMs = timeoutMs;
    return runCommand(call, command, nullptr, 0);
}

int32_t VXC_ReadMessage(ControllerHandle handle, char* buffer, uint32_t capacity, uint32_t* length)
{
    RecordedCall& call = record("VXC_ReadMessage", handle);
    return takePending(call, S().messages, buffer, capacity, length);
}

int32_t VXC_ExecuteGetReceive(ControllerHandle handle, char* buffer, uint32_t capacity,
                              uint32_t* length, uint32_t flags)
{
    RecordedCall& call = record("VXC_ExecuteGetReceive", handle);
    call.args = {flags};
    return takePending(call, S().receives, buffer, capacity, length);
}

int32_t VXC_GetError(ControllerHandle handle, int32_t* code)
{
    RecordedCall& call = record("VXC_GetError", handle);
    if (auto c = enter(call))
        return *c;
    if (!code)
        return VXC_ERR_INVALID_ARGUMENT;
    *code = S().controllerError;
    return VXC_OK;
}

int32_t VXC_GetState(ControllerHandle handle, uint8_t* runState)
{
    RecordedCall& call = record("VXC_GetState", handle);
    if (auto c = enter(call))
        return *c;
    if (!runState)
        return VXC_ERR_INVALID_ARGUMENT;
    *runState = S().runState;
    return VXC_OK;
}

int32_t VXC_GetSysSpecification(ControllerHandle handle, void* out)
{
    RecordedCall& call = record("VXC_GetSysSpecification", handle);
    call.outputGiven = out != nullptr;
    if (auto c = enter(call))
        return *c;
    if (!out)
        return VXC_ERR_INVALID_ARGUMENT;
    std::memcpy(out, S().spec.data(), S().spec.size());
    return VXC_OK;
}

int32_t VXC_EnumChildCard(ControllerHandle handle, uint16_t previous, void* out)
{
    RecordedCall& call = record("VXC_EnumChildCard", handle);
    call.args = {previous};
    call.outputGiven = out != nullptr;
    if (auto c = enter(call))
        return *c;
    if (!out)
        return VXC_ERR_INVALID_ARGUMENT;
    std::array<uint8_t, VXC_CHILD_CARD_SIZE> none{};
    none[4] = 0xFF; // card number 255: no further module
    const std::array<uint8_t, VXC_CHILD_CARD_SIZE>* found = &none;
    for (const auto& card : S().cards) {
        const int number = card[4] | card[5] << 8;
        if (previous == 0xFFFF || number > previous) {
            found = &card;
            break;
        }
    }
    std::memcpy(out, found->data(), found->size());
    return VXC_OK;
}

int32_t VXC_GetSoftVersion(ControllerHandle handle, float* version, char* typeText, int32_t* date)
{
    RecordedCall& call = record("VXC_GetSoftVersion", handle);
    if (auto c = enter(call))
        return *c;
    if (!version)
        return VXC_ERR_INVALID_ARGUMENT;
    *version = S().softVersion;
    copyText(S().softType, typeText, VXC_SOFT_TYPE_CAPACITY);
    if (date)
        *date = S().softDate;
    return VXC_OK;
}

uint8_t VXC_GetAxises(ControllerHandle handle)
{
    RecordedCall& call = record("VXC_GetAxises", handle);
    if (enter(call))
        return 0;
    return S().axes;
}

int32_t VXC_GetCurIpAddr(ControllerHandle handle, char* address)
{
    RecordedCall& call = record("VXC_GetCurIpAddr", handle);
    if (auto c = enter(call))
        return *c;
    if (!address)
        return VXC_ERR_INVALID_ARGUMENT;
    if (handle->connectType != VXC_LINK_ETHERNET)
        return VXC_ERR_NOT_SUPPORTED;
    copyText(S().ip, address, VXC_IP_TEXT_CAPACITY);
    return VXC_OK;
}

int32_t VXC_GetHardId(ControllerHandle handle, uint32_t* id)
{
    RecordedCall& call = record("VXC_GetHardId", handle);
    if (auto c = enter(call))
        return *c;
    if (!id)
        return VXC_ERR_INVALID_ARGUMENT;
    *id = S().hardId;
    return VXC_OK;
}

int32_t VXC_GetControllerIDDate(ControllerHandle handle, int32_t* id, int32_t* year, int32_t* month,
                                int32_t* day, int32_t* serial)
{
    RecordedCall& call = record("VXC_GetControllerIDDate", handle);
    if (auto c = enter(call))
        return *c;
    int32_t* outs[] = {id, year, month, day, serial};
    for (std::size_t i = 0; i < 5; ++i) {
        if (outs[i])
            *outs[i] = S().idDate[i];
    }
    return VXC_OK;
}

int32_t VXC_GetAxisFeatures(ControllerHandle handle, int32_t axis, uint32_t* features)
{
    RecordedCall& call = record("VXC_GetAxisFeatures", handle);
    call.args = {axis};
    if (auto c = enter(call))
        return *c;
    if (!features)
        return VXC_ERR_INVALID_ARGUMENT;
    auto f = S().features.find(axis);
    *features = f == S().features.end() ? 0 : f->second;
    return VXC_OK;
}

int32_t VXC_FlashWritef(ControllerHandle handle, uint16_t start, uint32_t count,
                        const float* values)
{
    RecordedCall& call = record("VXC_FlashWritef", handle);
    call.args = {start, count};
    if (values)
        call.values.assign(values, values + count);
    if (auto c = enter(call))
        return *c;
    if (!values || start + static_cast<uint64_t>(count) > S().flashArea.size())
        return VXC_ERR_INVALID_ARGUMENT;
    std::copy(values, values + count, S().flashArea.begin() + start);
    return VXC_OK;
}

int32_t VXC_Modbus_Get0x(ControllerHandle handle, uint16_t start, uint16_t count, uint8_t* bits)
{
    RecordedCall& call = record("VXC_Modbus_Get0x", handle);
    call.args = {start, count};
    call.outputGiven = bits != nullptr;
    if (auto c = enter(call))
        return *c;
    if (!bits || start + static_cast<uint32_t>(count) > 65536)
        return VXC_ERR_INVALID_ARGUMENT;
    std::memset(bits, 0, (count + 7u) / 8u);
    for (uint32_t i = 0; i < count; ++i) {
        if (S().bits[start + i])
            bits[i / 8] = static_cast<uint8_t>(bits[i / 8] | (1u << (i % 8)));
    }
    return VXC_OK;
}

int32_t VXC_Modbus_Set0x(ControllerHandle handle, uint16_t start, uint16_t count,
                         const uint8_t* bits)
{
    RecordedCall& call = record("VXC_Modbus_Set0x", handle);
    call.args = {start, count};
    if (bits) {
        for (uint32_t i = 0; i < count; ++i)
            call.values.push_back((bits[i / 8] >> (i % 8)) & 1);
    }
    if (auto c = enter(call))
        return *c;
    if (!bits || start + static_cast<uint32_t>(count) > 65536)
        return VXC_ERR_INVALID_ARGUMENT;
    for (uint32_t i = 0; i < count; ++i)
        S().bits[start + i] = static_cast<uint8_t>((bits[i / 8] >> (i % 8)) & 1);
    return VXC_OK;
}

int32_t VXC_Modbus_Get4x(ControllerHandle handle, uint16_t start, uint16_t count,
                         uint16_t* registers)
{
    RecordedCall& call = record("VXC_Modbus_Get4x", handle);
    call.args = {start, count};
    call.outputGiven = registers != nullptr;
    if (auto c = enter(call))
        return *c;
    if (!registers || start + static_cast<uint32_t>(count) > 65536)
        return VXC_ERR_INVALID_ARGUMENT;
    std::copy_n(S().registers.begin() + start, count, registers);
    return VXC_OK;
}

int32_t VXC_Modbus_Set4x(ControllerHandle handle, uint16_t start, uint16_t count,
                         const uint16_t* registers)
{
    RecordedCall& call = record("VXC_Modbus_Set4x", handle);
    call.args = {start, count};
    if (registers)
        call.values.assign(registers, registers + count);
    if (auto c = enter(call))
        return *c;
    if (!registers || start + static_cast<uint32_t>(count) > 65536)
        return VXC_ERR_INVALID_ARGUMENT;
    std::copy_n(registers, count, S().registers.begin() + start);
    return VXC_OK;
}

int32_t VXC_RegisterRead(ControllerHandle handle, const char* area, uint32_t width, uint32_t start,
                         uint32_t count, void* values)
{
    RecordedCall& call = record("VXC_RegisterRead", handle, textOf(area));
    call.args = {width, start, count};
    call.outputGiven = values != nullptr;
    if (auto c = enter(call))
        return *c;
    if (!area || !values || (width != 32 && width != 16))
        return VXC_ERR_INVALID_ARGUMENT;
    const auto& cells = S().areas[area];
    for (uint32_t i = 0; i < count; ++i) {
        auto cell = cells.find(start + i);
        const float v = cell == cells.end() ? 0.0f : cell->second;
        if (width == 32) {
            std::memcpy(static_cast<char*>(values) + 4u * i, &v, 4);
        } else {
            const auto w = static_cast<int16_t>(v);
            std::memcpy(static_cast<char*>(values) + 2u * i, &w, 2);
        }
    }
    return VXC_OK;
}

int32_t VXC_DownKrx(ControllerHandle handle, const char* path, uint32_t flags)
{
    RecordedCall& call = record("VXC_DownKrx", handle, textOf(path));
    call.args = {flags};
    if (auto c = enter(call))
        return *c;
    return path ? VXC_OK : VXC_ERR_INVALID_ARGUMENT;
}

int32_t VXC_DownKrxToRamAndRun(ControllerHandle handle, const char* path)
{
    RecordedCall& call = record("VXC_DownKrxToRamAndRun", handle, textOf(path));
    if (auto c = enter(call))
        return *c;
    return path ? VXC_OK : VXC_ERR_INVALID_ARGUMENT;
}

int32_t VXC_Resume(ControllerHandle handle)
{
    RecordedCall& call = record("VXC_Resume", handle);
    if (auto c = enter(call))
        return *c;
    return VXC_OK;
}

int32_t VXC_MakeOneFileKpj(char* first, char* second, const char* basPath)
{
    RecordedCall& call = record("VXC_MakeOneFileKpj", nullptr, textOf(basPath));
    if (auto c = S().injected(call.function, call.text))
        return *c;
    if (!first || !second || !basPath)
        return VXC_ERR_INVALID_ARGUMENT;
    copyText(S().kpjFirst, first, VXC_KPJ_BUFFER_SIZE);
    copyText(S().kpjSecond, second, VXC_KPJ_BUFFER_SIZE);
    return VXC_OK;
}

static int32_t makeKrx(const char* function, ControllerHandle handle, const char* first,
                       const char* second, uint32_t reserved1, uint32_t reserved2)
{
    RecordedCall& call = record(function, handle, textOf(first));
    call.args = {reserved1, reserved2};
    if (auto c = enter(call))
        return *c;
    return first && second ? VXC_OK : VXC_ERR_INVALID_ARGUMENT;
}

int32_t VXC_MakeKrxAndDown2(ControllerHandle handle, const char* first, const char* second,
                            uint32_t reserved1, uint32_t reserved2)
{
    return makeKrx("VXC_MakeKrxAndDown2", handle, first, second, reserved1, reserved2);
}

int32_t VXC_MakeKrxAndRamRun2(ControllerHandle handle, const char* first, const char* second,
                              uint32_t reserved1, uint32_t reserved2)
{
    return makeKrx("VXC_MakeKrxAndRamRun2", handle, first, second, reserved1, reserved2);
}

} // extern "C"
