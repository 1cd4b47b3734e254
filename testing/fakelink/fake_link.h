// The recording fake link: a test-only implementation of every call of
// link/korvan.h. A test creates one FakeLink, scripts the replies it needs,
// runs the code under test against link.handle() and then inspects what was
// sent. It honours the link's contracts (capacities, NUL termination, null
// handles, failed opens leave the handle null), so code under test sees what
// the real link gives.
//
//   FakeLink link;
//   link.reply("?DPOS(0)", "12.5\r\n");
//   ... code under test ...
//   EXPECT_THAT(link.sent(), ElementsAre(Direct("?DPOS(0)")));
#pragma once

#include "link/korvan.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::testing {

// The base operation of the link that carried a command.
enum class Via
{
    Execute,
    Direct,
    NoAck
};

// One command text as it reached the link, with the call that carried it.
struct SentCommand
{
    Via via = Via::Execute;
    std::string text;
    bool operator==(const SentCommand&) const = default;
};

// Shorthands for expectations: Buffered("?IDLE(0)") was sent with VXC_Execute.
inline SentCommand Buffered(std::string text)
{
    return {Via::Execute, std::move(text)};
}
inline SentCommand Direct(std::string text)
{
    return {Via::Direct, std::move(text)};
}
inline SentCommand NoAck(std::string text)
{
    return {Via::NoAck, std::move(text)};
}

std::ostream& operator<<(std::ostream& out, Via via);
std::ostream& operator<<(std::ostream& out, const SentCommand& command);

// Everything one link call received.
struct RecordedCall
{
    std::string function; // "VXC_Execute", "VXC_Modbus_Get0x", ...
    ControllerHandle handle = nullptr;
    std::string text;           // command, address, path, area or basPath
    uint32_t timeoutMs = 0;     // timeout argument, where the call has one
    uint32_t capacity = 0;      // output capacity, where the call has one
    bool outputGiven = false;   // a non-null output buffer was passed
    std::vector<int64_t> args;  // the other integer arguments, in order
    std::vector<double> values; // data written (floats, bits, registers)
};

std::ostream& operator<<(std::ostream& out, const RecordedCall& call);

// What the fake controller answers to one command.
struct Reply
{
    std::string text;
    int32_t code = 0;
};

// Control of the fake link. Only one exists at a time; construction and
// destruction reset every setting and recording.
class FakeLink
{
public:
    FakeLink();
    ~FakeLink();
    FakeLink(const FakeLink&) = delete;
    FakeLink& operator=(const FakeLink&) = delete;

    // Forgets every script, preset and recording; open handles become invalid.
    void reset();

    // The handle of the first fake controller (Ethernet "127.0.0.11").
    ControllerHandle handle();
    // A further open handle of the given connection type.
    ControllerHandle createHandle(uint8_t connectType = VXC_LINK_ETHERNET,
                                  std::string address = "127.0.0.11");
    // True while the handle is open (not closed, not reset).
    bool isOpen(ControllerHandle handle) const;

    // Replies: the exact command text first, then the longest matching
    // prefix, then the dynamic responder, then the default reply ("").
    void reply(std::string command, std::string text, int32_t code = 0);
    // A one-shot reply, used before the fixed ones; queued per command text.
    void replyOnce(std::string command, std::string text, int32_t code = 0);
    void replyPrefix(std::string prefix, std::string text, int32_t code = 0);
    void defaultReply(std::string text, int32_t code = 0);
    // Computes replies for commands without a scripted one.
    void respond(std::function<std::optional<Reply>(std::string_view command)> responder);

    // Makes every call of a function (optionally only for one command
    // text) return code without doing anything else.
    void fail(std::string function, int32_t code);
    void fail(std::string function, std::string command, int32_t code);
    // Fails the nth (0-based) later call of a function with code.
    void failNth(std::string function, int nth, int32_t code);

    // Presets of what the controller reports.
    void setSpecRecord(const std::array<uint8_t, VXC_SPEC_RECORD_SIZE>& record);
    // Expansion modules; VXC_EnumChildCard walks them by card number (bytes 4-5).
    void addChildCard(const std::array<uint8_t, VXC_CHILD_CARD_SIZE>& record);
    void setSoftVersion(float version, std::string typeText, int32_t date);
    void setAxisCount(uint8_t axes);
    void setIpAddress(std::string address);
    void setHardId(uint32_t id);
    void setControllerIdDate(int32_t id, int32_t year, int32_t month, int32_t day, int32_t serial);
    void setAxisFeatures(int32_t axis, uint32_t features);
    void setState(uint8_t state);
    void setControllerError(int32_t code);
    void setModbusBit(uint16_t address, bool on);
    bool modbusBit(uint16_t address) const;
    void setModbusRegister(uint16_t address, uint16_t value);
    uint16_t modbusRegister(uint16_t address) const;
    void setRegister(std::string area, uint32_t index, float value);
    const std::vector<float>& flash() const;
    // The text VXC_SearchEth returns ("127.0.0.11 127.0.0.12").
    void setSearchResult(std::string text);
    void setPciCardCount(int32_t count);
    // Addresses that VXC_OpenEth / VXC_FastOpen / VXC_Open refuse (3102).
    void refuseOpen(std::string address);
    // Pending output of VXC_ReadMessage and VXC_ExecuteGetReceive.
    void pushMessage(std::string text);
    void pushReceive(std::string text);
    // Buffers VXC_MakeOneFileKpj fills.
    void setKpjTexts(std::string first, std::string second);

    // Every call, in order.
    const std::vector<RecordedCall>& calls() const;
    // The calls of one function.
    std::vector<RecordedCall> calls(std::string_view function) const;
    // Command texts of VXC_Execute, VXC_DirectCommand and VXC_ExecuteNoAck.
    std::vector<std::string> commands() const;
    // The same with the base operation that carried each command.
    std::vector<SentCommand> sent() const;
    // Which base operation carried the nth command.
    Via viaOf(std::size_t nth) const;
    // Forgets the recorded calls but keeps the scripts and presets.
    void clearCalls();

    // Used by the link functions.
    struct State;
    static State& state();
};

} // namespace korvan::testing
