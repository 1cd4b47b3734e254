// What makes the configuration a bus program publishes in its P_ variables
// consistent with the bus it scanned and with the controller's axes. Read
// through any query channel, so that in-process tests and tests against
// korvan-sim judge alike.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvan::controller::testing {

/// Prints one value ("P_SetNodeNum", "NODE_INFO(0,1,6)") and returns it;
/// nothing when the controller refuses the query.
using NumberQuery = std::function<std::optional<double>(const std::string& expression)>;

/// Every disagreement between the P_ variables, the bus and the axes, one
/// line each; empty when the configuration is consistent:
/// - the slots' node counts add up to P_SetNodeNum, and each slot lists
///   every node found on it (slot 0 also the local entry);
/// - P_SlotMode is each slot's type; entry 0 is the local axes;
/// - each node entry carries its node's type, status, identity and I/O;
/// - node axes lie within the controller, clash neither with each other nor
///   with the local or module axes, and are linked by their mode's ATYPE and
///   the node's bus address;
/// - a drive is left without axes only when not enough axes are free;
/// - no axis outside the configuration is still linked to a bus node.
std::vector<std::string> busConfigurationProblems(const NumberQuery& query);

} // namespace korvan::controller::testing
