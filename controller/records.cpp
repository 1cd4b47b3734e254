#include "controller/records.h"

#include "controller/controller_state.h"

#include <algorithm>

namespace korvan::controller {

namespace {

void put16(std::vector<uint8_t>& r, std::size_t at, uint32_t v)
{
    r[at] = static_cast<uint8_t>(v & 0xff);
    r[at + 1] = static_cast<uint8_t>((v >> 8) & 0xff);
}

void put32(std::vector<uint8_t>& r, std::size_t at, uint32_t v)
{
    put16(r, at, v & 0xffff);
    put16(r, at + 2, v >> 16);
}

uint8_t byte(int v)
{
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

} // namespace

std::vector<uint8_t> specificationRecord(const ControllerState& s)
{
    const Profile& p = s.profile;
    std::vector<uint8_t> r(specificationRecordSize, 0);
    r[1] = p.dtRegisters ? 1 : 0;
    put16(r, 4, static_cast<uint32_t>(std::clamp(p.virtualAxes, 0, 65535)));
    r[6] = byte(p.realAxes);
    r[8] = byte(p.inputs);
    r[9] = byte(p.outputs);
    r[10] = byte(p.analogInputs);
    r[11] = byte(p.analogOutputs);
    put32(r, 12, static_cast<uint32_t>(p.romKb));
    put32(r, 16, static_cast<uint32_t>(p.flashKb));
    put16(r, 24, static_cast<uint32_t>(p.modbusBits));
    put16(r, 26, static_cast<uint32_t>(p.modbusRegisters));
    put32(r, 32, static_cast<uint32_t>(s.memory.table.size()));
    put32(r, 36, static_cast<uint32_t>(s.memory.vr.size()));
    r[55] = byte(p.scopeChannels);
    return r;
}

std::vector<uint8_t> childCardRecord(const ControllerState& s, uint16_t previous)
{
    std::vector<uint8_t> r(childCardRecordSize, 0);
    const int after = previous == 65535 ? -1 : previous;
    int best = -1;
    std::size_t bestIndex = 0;
    for (std::size_t i = 0; i < s.profile.modules.size(); ++i) {
        const int card = s.io.cardNumber(i);
        if (card > after && (best < 0 || card < best)) {
            best = card;
            bestIndex = i;
        }
    }
    if (best < 0) {
        put16(r, 4, 128);
        return r;
    }
    const ExpansionModule& m = s.profile.modules[bestIndex];
    put32(r, 0, m.hardId);
    put16(r, 4, static_cast<uint32_t>(best));
    r[6] = byte(m.inputs);
    r[7] = byte(m.outputs);
    r[8] = byte(m.analogInputs);
    r[9] = byte(m.analogOutputs);
    r[10] = byte(m.axes);
    return r;
}

} // namespace korvan::controller
