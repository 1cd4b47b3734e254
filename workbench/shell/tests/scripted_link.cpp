#include "workbench/shell/tests/scripted_link.h"

#include <cstring>

struct VxcLink
{
    korvan::shell::fakes::ScriptedController* controller;
};

namespace korvan::shell::fakes {
namespace {

struct Script
{
    ScriptedLink* link = nullptr;
    std::map<std::string, std::unique_ptr<ScriptedController>> controllers;
    std::vector<std::unique_ptr<VxcLink>> handles;
};

Script& script()
{
    static Script s;
    return s;
}

ControllerHandle openHandle(const std::string& name)
{
    auto found = script().controllers.find(name);
    if (found == script().controllers.end())
        return nullptr;
    found->second->open = true;
    script().handles.push_back(std::make_unique<VxcLink>(VxcLink{found->second.get()}));
    if (script().link)
        script().link->opened.push_back(name);
    return script().handles.back().get();
}

void copyText(const std::string& text, char* out, uint32_t capacity)
{
    if (!out || capacity == 0)
        return;
    const std::size_t n = std::min<std::size_t>(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

int32_t command(ControllerHandle handle, const char* text, char* reply, uint32_t capacity)
{
    ScriptedController* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    c->sent.emplace_back(text);
    if (auto code = c->codes.find(text); code != c->codes.end())
        return code->second;
    auto found = c->replies.find(text);
    copyText(found == c->replies.end() ? std::string() : found->second, reply, capacity);
    return 0;
}

uint32_t takePending(std::string& pending, char* buffer, uint32_t capacity)
{
    const std::size_t n = std::min<std::size_t>(pending.size(), capacity - 1);
    std::memcpy(buffer, pending.data(), n);
    buffer[n] = '\0';
    pending.erase(0, n);
    return static_cast<uint32_t>(n);
}

} // namespace

ScriptedLink::ScriptedLink()
{
    script().controllers.clear();
    script().handles.clear();
    script().link = this;
}

ScriptedLink::~ScriptedLink()
{
    script().link = nullptr;
}

ScriptedController& ScriptedLink::add(const std::string& name, uint8_t connectType)
{
    auto& c = script().controllers[name];
    c = std::make_unique<ScriptedController>();
    c->name = name;
    c->connectType = connectType;
    return *c;
}

ScriptedController& ScriptedLink::controller(const std::string& name)
{
    return *script().controllers.at(name);
}

ScriptedController* ScriptedLink::of(ControllerHandle handle)
{
    if (!handle)
        return nullptr;
    for (const auto& h : script().handles)
        if (h.get() == handle)
            return h->controller;
    return nullptr;
}

ControllerHandle ScriptedLink::handleOf(const std::string& name)
{
    return openHandle(name);
}

std::array<uint8_t, VXC_SPEC_RECORD_SIZE> specRecord(int realAxes, int virtualAxes)
{
    std::array<uint8_t, VXC_SPEC_RECORD_SIZE> record{};
    record[4] = static_cast<uint8_t>(virtualAxes & 0xFF);
    record[5] = static_cast<uint8_t>(virtualAxes >> 8);
    record[6] = static_cast<uint8_t>(realAxes);
    return record;
}

std::array<uint8_t, VXC_CHILD_CARD_SIZE> childCard(int canId, int axes)
{
    std::array<uint8_t, VXC_CHILD_CARD_SIZE> record{};
    record[4] = static_cast<uint8_t>(canId & 0xFF);
    record[5] = static_cast<uint8_t>(canId >> 8);
    record[10] = static_cast<uint8_t>(axes);
    return record;
}

} // namespace korvan::shell::fakes

using korvan::shell::fakes::script;
using korvan::shell::fakes::ScriptedLink;

namespace {

int32_t scriptedModbusCall(ControllerHandle handle, const char* name)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    c->calls.push_back(name);
    return VXC_ERR_NOT_SUPPORTED;
}

} // namespace

extern "C" {

int32_t VXC_SetComDefaultBaud(uint32_t, uint32_t, uint32_t, uint32_t)
{
    return 0;
}

int32_t VXC_OpenCom(uint32_t port, ControllerHandle* handle)
{
    *handle = korvan::shell::fakes::openHandle("COM" + std::to_string(port));
    return *handle ? 0 : VXC_ERR_OPEN_FAILED;
}

int32_t VXC_PeakCom(uint32_t port, uint32_t, ControllerHandle* handle)
{
    return VXC_OpenCom(port, handle);
}

int32_t VXC_SearchEth(char* buffer, uint32_t capacity, uint32_t)
{
    if (!script().link)
        return VXC_ERR_OPEN_FAILED;
    korvan::shell::fakes::copyText(script().link->searchResult, buffer, capacity);
    return script().link->searchCode;
}

int32_t VXC_OpenEth(const char* ip, ControllerHandle* handle)
{
    *handle = korvan::shell::fakes::openHandle(ip);
    return *handle ? 0 : VXC_ERR_OPEN_FAILED;
}

int32_t VXC_FastOpen(int32_t, const char* address, uint32_t, ControllerHandle* handle)
{
    return VXC_OpenEth(address, handle);
}

int32_t VXC_GetMaxPciCards(void)
{
    return script().link ? script().link->pciCards : 0;
}

int32_t VXC_Open(int32_t, const char* name, ControllerHandle* handle)
{
    *handle = korvan::shell::fakes::openHandle(name);
    return *handle ? 0 : VXC_ERR_OPEN_FAILED;
}

int32_t VXC_Close(ControllerHandle handle)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    c->calls.push_back("VXC_Close");
    if (c->closeCode == 0)
        c->open = false;
    return c->closeCode;
}

int32_t VXC_SetTimeOut(ControllerHandle handle, uint32_t ms)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    c->timeoutMs = ms;
    c->calls.push_back("VXC_SetTimeOut");
    return 0;
}

uint8_t VXC_GetConnectType(ControllerHandle handle)
{
    auto* c = ScriptedLink::of(handle);
    return c ? c->connectType : 0;
}

int32_t VXC_Execute(ControllerHandle handle, const char* text, uint32_t, char* reply,
                    uint32_t capacity)
{
    return korvan::shell::fakes::command(handle, text, reply, capacity);
}

int32_t VXC_DirectCommand(ControllerHandle handle, const char* text, char* reply, uint32_t capacity)
{
    return korvan::shell::fakes::command(handle, text, reply, capacity);
}

int32_t VXC_ReadMessage(ControllerHandle handle, char* buffer, uint32_t capacity, uint32_t* length)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    *length = korvan::shell::fakes::takePending(c->messages, buffer, capacity);
    return 0;
}

int32_t VXC_ExecuteGetReceive(ControllerHandle handle, char* buffer, uint32_t capacity,
                              uint32_t* length, uint32_t)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    *length = korvan::shell::fakes::takePending(c->received, buffer, capacity);
    return 0;
}

int32_t VXC_GetError(ControllerHandle handle, int32_t* code)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    *code = c->errorCode;
    return 0;
}

int32_t VXC_GetState(ControllerHandle handle, uint8_t* state)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    c->calls.push_back("VXC_GetState");
    if (c->state == 255)
        return VXC_ERR_CONNECTION_LOST; // leaves the caller's byte
    *state = c->state;
    return 0;
}

int32_t VXC_GetSysSpecification(ControllerHandle handle, void* record)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    if (c->specFails)
        return VXC_ERR_TIMEOUT;
    std::memcpy(record, c->spec.data(), c->spec.size());
    return 0;
}

int32_t VXC_EnumChildCard(ControllerHandle handle, uint16_t previous, void* record)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    for (const auto& card : c->cards) {
        const int id = card[4] | (card[5] << 8);
        if (previous == 0xFFFF || id > previous) {
            std::memcpy(record, card.data(), card.size());
            return 0;
        }
    }
    return VXC_ERR_STATE;
}

int32_t VXC_GetSoftVersion(ControllerHandle handle, float* version, char* typeText, int32_t* date)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    *version = 1.0f;
    korvan::shell::fakes::copyText(c->softType, typeText, VXC_SOFT_TYPE_CAPACITY);
    if (date)
        *date = 20260101;
    return 0;
}

int32_t VXC_FlashWritef(ControllerHandle handle, uint16_t, uint32_t count, const float*)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    c->calls.push_back("VXC_FlashWritef:" + std::to_string(count));
    return 0;
}

int32_t VXC_DownKrx(ControllerHandle handle, const char* path, uint32_t)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    c->calls.push_back(std::string("VXC_DownKrx:") + path);
    return std::strstr(path, "missing") ? VXC_ERR_NO_SUCH_FILE : 0;
}

int32_t VXC_DownKrxToRamAndRun(ControllerHandle handle, const char* path)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    c->calls.push_back(std::string("VXC_DownKrxToRamAndRun:") + path);
    return std::strstr(path, "missing") ? VXC_ERR_NO_SUCH_FILE : 0;
}

int32_t VXC_Resume(ControllerHandle handle)
{
    auto* c = ScriptedLink::of(handle);
    if (!c)
        return VXC_ERR_BAD_HANDLE;
    c->calls.push_back("VXC_Resume");
    return 0;
}

// The scripted controllers have no Modbus area: the calls are recorded and
// refused, as a controller without one answers them.
int32_t VXC_Modbus_Get0x(ControllerHandle handle, uint16_t, uint16_t, uint8_t*)
{
    return scriptedModbusCall(handle, "VXC_Modbus_Get0x");
}

int32_t VXC_Modbus_Set0x(ControllerHandle handle, uint16_t, uint16_t, const uint8_t*)
{
    return scriptedModbusCall(handle, "VXC_Modbus_Set0x");
}

int32_t VXC_Modbus_Get4x(ControllerHandle handle, uint16_t, uint16_t, uint16_t*)
{
    return scriptedModbusCall(handle, "VXC_Modbus_Get4x");
}

int32_t VXC_Modbus_Set4x(ControllerHandle handle, uint16_t, uint16_t, const uint16_t*)
{
    return scriptedModbusCall(handle, "VXC_Modbus_Set4x");
}

} // extern "C"
