#include "workbench/shell/menu_commands.h"

#include <array>

namespace korvan::shell {
namespace {

constexpr std::array kCommands{
#define KORVAN_MENU_INFO(name, id, menu, key, caption, prompt)                                     \
    MenuCommandInfo{MenuCommand::name, id, menu, key, caption, prompt},
    KORVAN_MENU_COMMANDS(KORVAN_MENU_INFO)
#undef KORVAN_MENU_INFO
};

constexpr std::array<const char*, kTopLevelMenus> kTitles{"控制器(&C)", "视图(&V)", "工具(&T)",
                                                          "帮助(&H)"};

} // namespace

std::span<const MenuCommandInfo> menuCommands()
{
    return kCommands;
}

const MenuCommandInfo* findMenuCommand(int id)
{
    for (const MenuCommandInfo& info : kCommands)
        if (info.id == id)
            return &info;
    return nullptr;
}

const char* topLevelTitle(int position)
{
    if (position < 0 || position >= kTopLevelMenus)
        return "";
    return kTitles[static_cast<std::size_t>(position)];
}

} // namespace korvan::shell
