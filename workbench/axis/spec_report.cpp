#include "workbench/axis/spec_report.h"

#include "cmdlib/bus.h"
#include "cmdlib/records.h"
#include "workbench/axis/axis_port.h"

#include <algorithm>

namespace korvan::axis {
namespace {

struct Vendor
{
    std::uint32_t id;
    const char* name;
};

constexpr std::array<Vendor, 17> kVendors{{
    {2, "倍福"},
    {26, "青蓝"},
    {106, "雅科贝思"},
    {131, "欧姆龙"},
    {262, "科尔摩根"},
    {477, "台达"},
    {737, "高创"},
    {1546, "埃斯顿"},
    {1647, "松下"},
    {1864, "清能德创"},
    {2013, "迈信"},
    {5464, "英威腾"},
    {43690, "上银"},
    {94597, "雷赛"},
    {1048576, "汇川"},
    {10066329, "智鼎"},
    {kKorvanVendorId, "Korvan"},
}};

struct AxisFeature
{
    std::uint32_t bit;
    const char* word;
};

constexpr std::array<AxisFeature, 7> kAxisFeatures{{
    {0x1, " Step"},
    {0x10, " Encoder"},
    {0x80, " Ssi"},
    {0x100, " Tama"},
    {0x200, " Endat"},
    {0x800, " Servo"},
    {0x2000, " Canopen"},
}};

// The page keeps the records of this many nodes per bus.
constexpr int kMaxNodesPerBus = 256;

void AppendCapacities(std::string& text, const cmd::ControllerSpecRecord& spec)
{
    text += "[Controller specification]\r\n";
    text += FormatCommand("VirtualAxises:\t%d\r\n", spec.virtualAxisCount());
    text += FormatCommand("RealAxises:\t%d\r\n", spec.realAxisCount());
    text += FormatCommand("Modbus0x Bits:\t%d\r\n", spec.modbusBitCount());
    text += FormatCommand("Modbus4x Regs:\t%d\r\n", spec.modbusRegisterCount());
    text += FormatCommand("VR Regs:\t%d\r\n", spec.vrRegisterCount());
    text += FormatCommand("TABLE Regs:\t%d\r\n", spec.tableRegisterCount());
    text += FormatCommand("RomSize:\t%dKB\r\n", spec.romSizeKb());
    text += FormatCommand("FlashSize:\t%dKB\r\n", spec.flashSizeKb());
}

void AppendIdentity(std::string& text, ControllerHandle handle)
{
    float version = 0;
    std::array<char, VXC_SOFT_TYPE_CAPACITY> type{};
    int32_t versionNumber = 0;
    if (VXC_GetSoftVersion(handle, &version, type.data(), &versionNumber) == 0) {
        type.back() = '\0';
        text += FormatCommand("SoftType:\t%s\r\n", type.data());
        text +=
            FormatCommand("SoftVersion:\t%.3f-%d\r\n", static_cast<double>(version), versionNumber);
    }
    std::array<char, VXC_IP_TEXT_CAPACITY> address{};
    const int ipCode = VXC_GetCurIpAddr(handle, address.data());
    address.back() = '\0';
    if (ipCode == 0)
        text += FormatCommand("IpAddress:\t%s\r\n", address.data());
    else if (ipCode == VXC_ERR_NOT_SUPPORTED)
        text += "IpAddress:\tNone\r\n";
    else
        text += "IpAddress:\tError\r\n";
    std::uint32_t hardId = 0;
    if (VXC_GetHardId(handle, &hardId) == 0)
        text += FormatCommand("HardVersion:\t%d-%d\r\n", static_cast<int>(hardId & 0xFFFFu),
                              static_cast<int>(hardId >> 16));
    int32_t controllerId = 0;
    if (VXC_GetControllerIDDate(handle, &controllerId, nullptr, nullptr, nullptr, nullptr) == 0)
        text += FormatCommand("ControllerID:\t%d\r\n", controllerId);
}

void AppendAxisFeatures(std::string& text, ControllerHandle handle, int realAxes)
{
    text += "\r\n[Axis features list]\r\n";
    for (int axis = 0; axis < realAxes; ++axis) {
        std::uint32_t bits = 0;
        if (VXC_GetAxisFeatures(handle, axis, &bits) != 0 || bits == 0)
            continue;
        text += FormatCommand("%d:", axis);
        for (const AxisFeature& feature : kAxisFeatures)
            if (bits & feature.bit)
                text += feature.word;
        text += "\r\n";
    }
}

// A count followed by its first number, or by nothing when there is none.
void AppendModuleCount(std::string& text, int count, int first)
{
    text += FormatCommand("%d", count);
    text += count != 0 ? FormatCommand("(%d-)\t", first) : std::string("\t");
}

void AppendIoList(std::string& text, ControllerHandle handle, const cmd::ControllerSpecRecord& spec)
{
    text += "\r\n[Io list]\r\n";
    text += "CanID\tHardId\tAxises\tMaxIn\tMaxOut\tMaxAin\tMaxAout\r\n";
    text +=
        FormatCommand("Local\t\t\t%d\t%d\t%d\t%d\r\n", spec.digitalInputCount(),
                      spec.digitalOutputCount(), spec.analogInputCount(), spec.analogOutputCount());
    const std::vector<cmd::ChildCardRecord> cards = cmd::EnumerateModules(handle);
    for (const cmd::ChildCardRecord& card : cards) {
        const cmd::ModuleIoBase first = cmd::ModuleIoNumbering(card.cardNumber());
        text += FormatCommand("%d\t%d\t%d\t", card.cardNumber(),
                              static_cast<int>(card.hardwareId()), card.axisCount());
        AppendModuleCount(text, card.digitalInputCount(), first.digital);
        AppendModuleCount(text, card.digitalOutputCount(), first.digital);
        AppendModuleCount(text, card.analogInputCount(), first.analogIn);
        AppendModuleCount(text, card.analogOutputCount(), first.analogOut);
        text += "\r\n";
    }
    if (cards.empty())
        text += "No Io card find.";
}

// A node query's number, 0 when it fails.
template <typename Query> int NumberOrZero(Query query)
{
    int32_t value = 0;
    return query(&value) == 0 ? value : 0;
}

int NodeCount(ControllerHandle handle, int bus)
{
    return std::clamp(
        NumberOrZero([&](int32_t* out) { return cmd::QueryNodeCount(handle, bus, out); }), 0,
        kMaxNodesPerBus);
}

BusNodeRecord ReadNode(ControllerHandle handle, int bus, int node)
{
    const auto info = [&](int number) {
        return NumberOrZero(
            [&](int32_t* out) { return cmd::QueryNodeInfo(handle, bus, node, number, out); });
    };
    BusNodeRecord record;
    record.node = node;
    record.vendor = info(0);
    record.device = info(1);
    record.addressSwitch = info(3);
    record.axes =
        NumberOrZero([&](int32_t* out) { return cmd::QueryNodeAxisCount(handle, bus, node, out); });
    record.firstIo =
        NumberOrZero([&](int32_t* out) { return cmd::QueryNodeIo(handle, bus, node, out); });
    record.inputs = info(10);
    record.outputs = info(11);
    record.firstAio =
        NumberOrZero([&](int32_t* out) { return cmd::QueryNodeAio(handle, bus, node, out); });
    record.analogInputs = info(12);
    record.analogOutputs = info(13);
    return record;
}

std::string CountAndRange(int count, int first)
{
    return count != 0 ? FormatCommand("%d(%d-%d)", count, first, first + count - 1)
                      : FormatCommand("%d", 0);
}

} // namespace

const char* VendorName(std::uint32_t vendorId)
{
    for (const Vendor& vendor : kVendors)
        if (vendor.id == vendorId)
            return vendor.name;
    return "";
}

std::optional<std::string> BuildSpecReport(ControllerHandle handle)
{
    if (!handle)
        return std::nullopt;
    cmd::ControllerSpecRecord spec;
    if (cmd::ReadControllerSpec(handle, spec) != 0)
        return std::nullopt;
    std::string text;
    AppendCapacities(text, spec);
    AppendIdentity(text, handle);
    AppendAxisFeatures(text, handle, spec.realAxisCount());
    AppendIoList(text, handle, spec);
    return text;
}

const std::array<NodeListColumn, 10> kNodeListColumns{{
    {"槽位号", 50},
    {"节点号", 50},
    {"厂商ID", 100},
    {"设备ID", 80},
    {"拨码号", 80},
    {"轴数", 80},
    {"输入", 80},
    {"输出", 80},
    {"AD", 80},
    {"DA", 80},
}};

int BusCountOfType(int busType)
{
    switch (busType) {
    case 1:
    case 2:
        return 1;
    case 3:
        return 2;
    default:
        return 0;
    }
}

NodeListRow NodeListRowOf(int bus, const BusNodeRecord& record)
{
    const auto vendor = static_cast<std::uint32_t>(record.vendor);
    return {
        FormatCommand("Slot%d", bus),
        FormatCommand("%d", record.node),
        FormatCommand("%s(%xH)", VendorName(vendor), vendor),
        FormatCommand("%xH", static_cast<unsigned>(record.device)),
        FormatCommand("%d", record.addressSwitch),
        FormatCommand("%d", record.axes),
        CountAndRange(record.inputs, record.firstIo),
        CountAndRange(record.outputs, record.firstIo),
        CountAndRange(record.analogInputs, record.firstAio),
        CountAndRange(record.analogOutputs, record.firstAio),
    };
}

std::vector<NodeListRow> BuildBusNodeList(ControllerHandle handle, int busType)
{
    const int buses = BusCountOfType(busType);
    std::array<std::vector<BusNodeRecord>, 2> records;
    for (int bus = 0; bus < buses; ++bus) {
        const int count = NodeCount(handle, bus);
        for (int node = 0; node < count; ++node)
            records[static_cast<std::size_t>(bus)].push_back(ReadNode(handle, bus, node));
    }
    // The rows follow a second count, as the list always did; a node that
    // appeared in between shows zeros.
    std::vector<NodeListRow> rows;
    for (int bus = 0; bus < buses; ++bus) {
        const std::vector<BusNodeRecord>& read = records[static_cast<std::size_t>(bus)];
        const int count = NodeCount(handle, bus);
        for (int node = 0; node < count; ++node) {
            BusNodeRecord record;
            record.node = node;
            if (node < static_cast<int>(read.size()))
                record = read[static_cast<std::size_t>(node)];
            rows.push_back(NodeListRowOf(bus, record));
        }
    }
    return rows;
}

} // namespace korvan::axis
