#include "workbench/axis/axis_para_form.h"

namespace korvan::axis {

using K = platform::ControlKind;
namespace ids = axis_para_ids;

const std::array<platform::FormControl, 5> kAxisParaForm{{
    {ids::Grid, K::Custom, 4, 30, 321, 259, nullptr, nullptr},
    {ids::Import, K::Button, 21, 4, 62, 19, "导入参数", "IDC_INPUTPARA"},
    {ids::Export, K::Button, 110, 4, 62, 19, "参数导出", "IDC_OUTPUTPARA"},
    {ids::Initialise, K::Button, 199, 4, 62, 19, "初始化参数", "IDC_INITPARA"},
    {ids::DownloadToRom, K::Button, 288, 4, 62, 19, "下载到ROM", "IDC_DOWNCONTORL"},
}};

} // namespace korvan::axis
