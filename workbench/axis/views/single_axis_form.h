// The form of View_SingleAxis as data: every control with its id, kind,
// dialog-unit rectangle, built-in caption and language file key.
#pragma once

#include <array>

namespace korvan::axis {

enum class ControlKind
{
    StatusList,
    Lamp,
    IconButton,
    IntEdit,
    FloatEdit,
    ReadOnlyEdit,
    Group,
    Radio,
    DropDown,
    Button,
    Check,
    Label,
};

struct FormControl
{
    int id;
    ControlKind kind;
    int x, y, w, h;
    const char* caption; ///< built-in caption, nullptr for none
    const char* key;     ///< key of section "SingleAxis", nullptr for none
};

/// Every control of the form (labels included), in creation order.
extern const std::array<FormControl, 92> kSingleAxisForm;

} // namespace korvan::axis
