#include "workbench/axis/control_max_form.h"

namespace korvan::axis {

using K = platform::ControlKind;
namespace ids = control_max_ids;

const std::array<platform::FormControl, 2> kControlMaxForm{{
    {ids::Report, K::TextEdit, 1, 1, 143, 181, nullptr, nullptr},
    {ids::NodeList, K::List, 147, 1, 168, 181, nullptr, nullptr},
}};

} // namespace korvan::axis
