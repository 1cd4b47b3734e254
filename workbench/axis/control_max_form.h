// The form of View_ControlMax (dialog 312) as data, with its control ids.
#pragma once

#include "platform/ui/form.h"

#include <array>

namespace korvan::axis {

namespace control_max_ids {
enum Id : int
{
    Report = 1009,   ///< the specification report text
    NodeList = 1011, ///< the field bus nodes
};
} // namespace control_max_ids

/// The report box and the node list.
extern const std::array<platform::FormControl, 2> kControlMaxForm;

} // namespace korvan::axis
