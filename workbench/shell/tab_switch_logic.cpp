#include "workbench/shell/tab_switch_logic.h"

namespace korvan::shell {
namespace {

struct TabCaptions
{
    const char* chinese;
    const char* english;
};

constexpr std::array<TabCaptions, kTabCount> kCaptions{{
    {"控制器规格状态", "Controller specification status"},
    {"轴 参 数", "Axis parameter"},
    {"多轴插补运动", "Multi-axis motion"},
    {"文件操作", "File operations"},
    {"总线配置", "Bus set"},
}};

} // namespace

const char* tabCaption(TabIndex tab, int language)
{
    const TabCaptions& captions = kCaptions[static_cast<std::size_t>(tab)];
    return language == 1 ? captions.chinese : captions.english;
}

BusTabRefusal busTabRefusal(int busType, const std::function<bool()>& probeSysVersion)
{
    if (busType == 0)
        return BusTabRefusal::NoBus;
    if (!probeSysVersion || !probeSysVersion())
        return BusTabRefusal::NoBusProgram;
    return BusTabRefusal::None;
}

const char* busTabRefusalText(BusTabRefusal refusal)
{
    switch (refusal) {
    case BusTabRefusal::NoBus:
        return "控制器不支持";
    case BusTabRefusal::NoBusProgram:
        return "Bas文件未加载";
    case BusTabRefusal::None:
        break;
    }
    return nullptr;
}

} // namespace korvan::shell
