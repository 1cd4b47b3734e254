// The form of View_AxisPara (dialog 313) as data, with its control ids.
#pragma once

#include "platform/ui/form.h"

#include <array>

namespace korvan::axis {

namespace axis_para_ids {
enum Id : int
{
    Grid = 1008,
    Export = 1032,
    Import = 1033,
    Initialise = 1034,
    DownloadToRom = 1035,
    Edit = 7000,  ///< the in-place edit box, made on demand
    Combo = 7001, ///< the in-place combo box, made on demand
};
} // namespace axis_para_ids

/// The language file section of the page's captions.
inline constexpr const char* kAxisParaSection = "AxisPara";

/// The grid and the four buttons; the grid is made by the page itself.
extern const std::array<platform::FormControl, 5> kAxisParaForm;

} // namespace korvan::axis
