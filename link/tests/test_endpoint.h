// An in-test controller: answers commands from a table and lets a test
// delay replies, drop links and queue messages.
#pragma once

#include "link/server/controller_endpoint.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace korvan::link::testing {

class TestEndpoint final : public ControllerEndpoint
{
public:
    std::map<std::string, std::string> replies{{"?DPOS(0)", "12.5000\n"}};
    std::atomic<int> delayMs{0};       // every command waits this long
    std::atomic<bool> dropNext{false}; // the next reply ends the link
    std::atomic<bool> refuse{false};   // openSession refuses
    std::atomic<bool> discoverable{true};
    std::atomic<int> sessions{0};
    std::mutex mutex;
    std::string messages; // shared pending messages
    std::vector<uint8_t> lastPackage;
    PackageTarget lastTarget = PackageTarget::Rom;

    std::unique_ptr<ControllerSession> openSession(Transport transport) final;
    bool answersDiscovery() final { return discoverable; }
};

class TestSession final : public ControllerSession
{
public:
    TestSession(TestEndpoint& endpoint, Transport transport)
        : m_endpoint(endpoint), m_transport(transport)
    {}

    CommandResult execute(std::string_view text) final { return run(text); }
    CommandResult directCommand(std::string_view text) final { return run(text); }
    int32_t executeNoAck(std::string_view text) final
    {
        m_received += run(text).output;
        return 0;
    }
    std::string takeMessages(std::size_t maxBytes) final
    {
        const std::lock_guard lock(m_endpoint.mutex);
        std::string taken = m_endpoint.messages.substr(0, maxBytes);
        m_endpoint.messages.erase(0, taken.size());
        return taken;
    }
    std::string takeReceived(std::size_t maxBytes) final
    {
        std::string taken = m_received.substr(0, maxBytes);
        m_received.erase(0, taken.size());
        return taken;
    }
    int32_t lastError() final { return 277; }
    uint8_t runState() final { return 1; }
    Answer<std::vector<uint8_t>> specification() final
    {
        std::vector<uint8_t> record(60);
        for (std::size_t i = 0; i < record.size(); ++i)
            record[i] = static_cast<uint8_t>(i + 1);
        return {0, record};
    }
    Answer<std::vector<uint8_t>> childCard(uint16_t previous) final
    {
        if (previous != 0xFFFF)
            return {3204, {}};
        return {0, {1, 0, 0, 0, 0, 0, 16, 16, 2, 1, 4, 0}};
    }
    Answer<SoftVersion> softVersion() final
    {
        return {0, {1.25f, "KORVAN-ECI-VIRTUAL-CONTROLLER-WITH-A-LONG-NAME", 20260101}};
    }
    uint8_t axisCount() final { return 12; }
    Answer<std::string> ipAddress() final { return {0, "127.0.0.50"}; }
    Answer<uint32_t> hardId() final { return {0, 0x00020007}; }
    Answer<ControllerIdentity> identity() final { return {0, {4242, 2026, 5, 17, 99}}; }
    Answer<uint32_t> axisFeatures(int32_t axis) final
    {
        return axis < 4 ? Answer<uint32_t>{0, 0x811} : Answer<uint32_t>{3204, 0};
    }
    int32_t flashWrite(uint16_t start, const std::vector<float>& values) final
    {
        m_flash.assign(values.begin(), values.end());
        return 0;
    }
    Answer<std::vector<uint8_t>> modbusGetBits(uint16_t start, uint16_t count) final
    {
        std::vector<uint8_t> bits(count);
        for (std::size_t i = 0; i < count; ++i)
            bits[i] = m_bits.count(static_cast<uint16_t>(start + i)) ? 1 : 0;
        return {0, bits};
    }
    int32_t modbusSetBits(uint16_t start, const std::vector<uint8_t>& bits) final
    {
        for (std::size_t i = 0; i < bits.size(); ++i) {
            if (bits[i])
                m_bits.insert(static_cast<uint16_t>(start + i));
            else
                m_bits.erase(static_cast<uint16_t>(start + i));
        }
        return 0;
    }
    Answer<std::vector<uint16_t>> modbusGetRegisters(uint16_t start, uint16_t count) final
    {
        std::vector<uint16_t> values(count);
        for (std::size_t i = 0; i < count; ++i)
            values[i] = m_registers[static_cast<uint16_t>(start + i)];
        return {0, values};
    }
    int32_t modbusSetRegisters(uint16_t start, const std::vector<uint16_t>& values) final
    {
        for (std::size_t i = 0; i < values.size(); ++i)
            m_registers[static_cast<uint16_t>(start + i)] = values[i];
        return 0;
    }
    Answer<std::vector<uint8_t>> registerRead(std::string_view area, uint32_t width, uint32_t start,
                                              uint32_t count) final
    {
        if (area != "DT")
            return {3205, {}};
        std::vector<uint8_t> bytes;
        for (uint32_t i = 0; i < count; ++i) {
            if (width == 32) {
                const float value = static_cast<float>(start + i) / 2.0f;
                const auto* raw = reinterpret_cast<const uint8_t*>(&value);
                bytes.insert(bytes.end(), raw, raw + 4);
            } else {
                const auto value = static_cast<int16_t>(start + i);
                const auto* raw = reinterpret_cast<const uint8_t*>(&value);
                bytes.insert(bytes.end(), raw, raw + 2);
            }
        }
        return {0, bytes};
    }
    int32_t downloadPackage(const std::vector<uint8_t>& package, PackageTarget target) final
    {
        const std::lock_guard lock(m_endpoint.mutex);
        m_endpoint.lastPackage = package;
        m_endpoint.lastTarget = target;
        return 0;
    }
    int32_t resume() final { return 0; }
    bool dropAfterReply() final { return m_endpoint.dropNext.exchange(false); }

    std::vector<float> m_flash;

private:
    CommandResult run(std::string_view text)
    {
        if (const int delay = m_endpoint.delayMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        if (text == "?TRANSPORT")
            return {0, std::to_string(static_cast<int>(m_transport)) + "\n"};
        const auto found = m_endpoint.replies.find(std::string(text));
        if (found == m_endpoint.replies.end())
            return {2002, "ERROR: unknown command\n"};
        return {0, found->second};
    }

    TestEndpoint& m_endpoint;
    Transport m_transport;
    std::string m_received;
    std::set<uint16_t> m_bits;
    std::map<uint16_t, uint16_t> m_registers;
};

inline std::unique_ptr<ControllerSession> TestEndpoint::openSession(Transport transport)
{
    if (refuse)
        return nullptr;
    ++sessions;
    return std::make_unique<TestSession>(*this, transport);
}

} // namespace korvan::link::testing
