// The main menu: every command with its id, its language file key, its
// built-in Chinese caption and its built-in status prompt. One table, so that
// the menu, the renaming and the prompts cannot drift apart.
#pragma once

#include <span>

namespace korvan::shell {

// X(name, id, menu position, key, Chinese caption, built-in prompt)
#define KORVAN_MENU_COMMANDS(X)                                                                    \
    X(AutoConnect, 32778, 0, "IDC_MENU_AUTO", "自动连接", "自动连接所有可用的控制器")              \
    X(ManualConnect, 32779, 0, "IDC_MENU_HAND", "手动连接", "选择串口、网口或PCI卡连接控制器")     \
    X(Disconnect, 32780, 0, "IDC_MENU_CLOSE", "断开连接", "断开当前控制器的连接")                  \
    X(ResetController, 32793, 0, "IDC_MENU_REBOOT", "复位控制器", "复位当前控制器并重新连接")      \
    X(Exit, 57665, 0, "ID_APP_EXIT", "退出", "退出应用程序")                                       \
    X(ToggleConsole, 32774, 1, "IDC_MENU_CMD", "在线命令栏", "显示或隐藏在线命令栏")               \
    X(ToggleStatusBar, 59393, 1, "ID_VIEW_STATUS_BAR", "状态栏", "显示或隐藏状态栏")               \
    X(ToggleScope, 32794, 1, "ID_Menu_WAVORA", "示波器", "显示或隐藏示波器")                       \
    X(Chinese, 32785, 1, "IDC_MENU_CHINESE", "中文", "界面语言改为中文")                           \
    X(English, 32789, 1, "IDC_MENU_ENGLISH", "English", "界面语言改为英文")                        \
    X(ResetScope, 32795, 1, "ID_MENU_RESET", "复位示波器", "重新注册示波器控件")                   \
    X(IpSetting, 32781, 2, "IDC_MENU_IP", "IP设置", "修改控制器的IP地址")                          \
    X(PackageUpgrade, 32782, 2, "IDC_MENU_KRX", "程序包升级", "下载Krx程序包到控制器")             \
    X(WorkbenchHelp, 32771, 3, "IDC_MENU_HELP", "软件帮助", "打开软件帮助")                        \
    X(KorbasicHelp, 32791, 3, "IDC_KORBASIC_HELP", "Korbasic帮助", "打开Korbasic指令帮助")         \
    X(About, 57664, 3, "ID_APP_ABOUT", "关于", "显示程序信息、版本号和版权")

enum class MenuCommand : int
{
#define KORVAN_MENU_ENUM(name, id, menu, key, caption, prompt) name = id,
    KORVAN_MENU_COMMANDS(KORVAN_MENU_ENUM)
#undef KORVAN_MENU_ENUM
};

struct MenuCommandInfo
{
    MenuCommand command;
    int id;
    int menu; // 0-based top-level menu
    const char* key;
    const char* caption;
    const char* prompt;
};

/// Every command in menu order.
std::span<const MenuCommandInfo> menuCommands();
/// The entry of a command id, nullptr for ids outside the menu.
const MenuCommandInfo* findMenuCommand(int id);

/// The top-level menus: built-in Chinese titles and keys "ID_MENU%d".
inline constexpr int kTopLevelMenus = 4;
const char* topLevelTitle(int position);
/// The language submenu: position 3 of the second menu, key "ID_MENU_LANGUAGE".
inline constexpr int kLanguageMenu = 1;
inline constexpr int kLanguageSubmenuPosition = 3;
inline constexpr const char* kLanguageSubmenuKey = "ID_MENU_LANGUAGE";
inline constexpr const char* kLanguageSubmenuCaption = "语言";

} // namespace korvan::shell
