#include "bus_configuration_check.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace korvan::controller::testing {
namespace {

constexpr int kSlots = 10;
constexpr int kEntries = 100;
constexpr int kBusAddressBase = 65536;

// What the bus reports of one node, and the P_ variable that must carry it.
struct NodeFact
{
    const char* variable;
    std::string (*expression)(int slot, int node);
};

std::string nodeInfo(int slot, int node, int info)
{
    return "NODE_INFO(" + std::to_string(slot) + "," + std::to_string(node) + "," +
           std::to_string(info) + ")";
}

std::string nodeValue(const char* name, int slot, int node)
{
    return std::string(name) + "(" + std::to_string(slot) + "," + std::to_string(node) + ")";
}

const NodeFact kNodeFacts[] = {
    {"P_NodeMode", [](int s, int k) { return nodeInfo(s, k, 6); }},
    {"P_NodeStatus", [](int s, int k) { return nodeInfo(s, k, 5); }},
    {"P_NodeVender", [](int s, int k) { return nodeInfo(s, k, 0); }},
    {"P_NodeDevice", [](int s, int k) { return nodeInfo(s, k, 1); }},
    {"P_NodeIoStart", [](int s, int k) { return nodeValue("NODE_IO", s, k); }},
    {"P_NodeInNum", [](int s, int k) { return nodeInfo(s, k, 10); }},
    {"P_NodeOutNum", [](int s, int k) { return nodeInfo(s, k, 11); }},
    {"P_NodeAioStart", [](int s, int k) { return nodeValue("NODE_AIO", s, k); }},
    {"P_NodeAinNum", [](int s, int k) { return nodeInfo(s, k, 12); }},
    {"P_NodeAoutNum", [](int s, int k) { return nodeInfo(s, k, 13); }},
};

std::string element(const char* name, int index)
{
    return std::string(name) + "(" + std::to_string(index) + ")";
}

class Checker
{
public:
    explicit Checker(const NumberQuery& query) : m_query(query) {}

    std::vector<std::string> run()
    {
        const int axes = whole("MAX_AXIS");
        const int real = whole("MAX_REALAXIS");
        const int moduleEnd = std::min(axes, real + whole("MAX_MODULEAXIS"));
        for (int a = 0; a < moduleEnd; ++a)
            m_owner[a] = a < real ? "the local axes" : "the expansion modules";
        checkLocalEntry(real);

        int slotTotal = 0;
        int entry = 1;
        for (int slot = 0; slot < kSlots; ++slot) {
            const int type = whole(element("SLOT_TYPE", slot));
            expect(element("P_SlotMode", slot), type);
            const int nodes = type > 0 ? whole(element("NODE_COUNT", slot)) : 0;
            const int listed = whole(element("P_SlotNodeNum", slot));
            slotTotal += listed;
            if (listed != nodes + (slot == 0 ? 1 : 0))
                problem("slot " + std::to_string(slot) + " lists " + std::to_string(listed) +
                        " entries for " + std::to_string(nodes) + " nodes");
            for (int k = 0; k < nodes && entry < kEntries; ++k, ++entry)
                checkNode(entry, slot, k, axes);
        }
        expect("P_SetNodeNum", slotTotal);

        int free = 0;
        for (int a = 0; a < axes; ++a) {
            if (m_owner.count(a))
                continue;
            ++free;
            const int type = whole(element("ATYPE", a));
            if (type >= 65 && type <= 67 && whole(element("AXIS_ADDRESS", a)) >= kBusAddressBase)
                problem("axis " + std::to_string(a) +
                        " is linked to a bus node outside the "
                        "configuration");
        }
        for (const auto& [entryIndex, needed] : m_unassigned)
            if (needed <= free)
                problem("entry " + std::to_string(entryIndex) + " has no axes though " +
                        std::to_string(free) + " are free");
        return m_problems;
    }

private:
    void checkLocalEntry(int real)
    {
        expect(element("P_NodeMode", 0), 0);
        expect(element("P_NodeProfile", 0), -1);
        expect(element("P_NodeAxisstart", 0), 0);
        expect(element("P_NodeAxisnum", 0), real);
    }

    void checkNode(int entry, int slot, int k, int axes)
    {
        for (const NodeFact& fact : kNodeFacts)
            expect(element(fact.variable, entry), whole(fact.expression(slot, k)));
        const int nodeAxes = whole(nodeValue("NODE_AXIS_COUNT", slot, k));
        const int first = whole(element("P_NodeAxisstart", entry));
        const int count = whole(element("P_NodeAxisnum", entry));
        const std::string name = "entry " + std::to_string(entry);
        if (count == 0) {
            if (nodeAxes > 0)
                m_unassigned[entry] = nodeAxes;
            if (nodeAxes > 0 && first != -1)
                problem(name + " has no axes but first axis " + std::to_string(first));
            return;
        }
        if (count > nodeAxes || first < 0 || first + count > axes) {
            problem(name + " claims axes " + std::to_string(first) + ".." +
                    std::to_string(first + count - 1) + " for a node with " +
                    std::to_string(nodeAxes) + " axes");
            return;
        }
        // CSP, CSV and CST link as 65..67; any other mode as 65.
        const int mode = whole(element("P_NodeAtype", entry));
        const int type = mode >= 1 && mode <= 3 ? 64 + mode : 65;
        for (int j = 0; j < count; ++j) {
            const int axis = first + j;
            if (const auto it = m_owner.find(axis); it != m_owner.end())
                problem(name + " claims axis " + std::to_string(axis) + " of " + it->second);
            m_owner[axis] = name;
            expect(element("ATYPE", axis), type);
            expect(element("AXIS_ADDRESS", axis), (slot + 1) * kBusAddressBase + k * 256 + j);
        }
    }

    int whole(const std::string& expression)
    {
        const std::optional<double> value = m_query(expression);
        if (!value) {
            problem("cannot read " + expression);
            return -99999;
        }
        return static_cast<int>(std::lround(*value));
    }

    void expect(const std::string& expression, int wanted)
    {
        const int value = whole(expression);
        if (value != wanted)
            problem(expression + " is " + std::to_string(value) + ", expected " +
                    std::to_string(wanted));
    }

    void problem(std::string text) { m_problems.push_back(std::move(text)); }

    const NumberQuery& m_query;
    std::map<int, std::string> m_owner; // axis -> who holds it
    std::map<int, int> m_unassigned;    // entry -> axes its drive needs
    std::vector<std::string> m_problems;
};

} // namespace

std::vector<std::string> busConfigurationProblems(const NumberQuery& query)
{
    return Checker(query).run();
}

} // namespace korvan::controller::testing
