#include "workbench/shell/status_poll.h"

#include <array>

namespace korvan::shell {
namespace {

struct StateWord
{
    int state;
    const char* chinese;
    const char* english;
    bool alarm;
};

constexpr std::array kStateWords{
    StateWord{0, " 待机", " Idle", false},
    StateWord{1, " 运行", " Running", false},
    StateWord{3, " 暂停", " Paused", false},
    StateWord{100, " 出错", " Error", true},
};
constexpr StateWord kNotConnected{-1, " 未连接", " UnConnected", true};

} // namespace

StatusReport pollStatus(const AppState& state)
{
    StatusReport report;
    report.countText =
        (state.chinese() ? "连接总数:" : "connet number:") + std::to_string(state.connectionCount);
    if (state.connectionCount == 0) {
        report.stateText = pick(state, "未连接", "UnConnected");
        return report;
    }
    const ConnectionSlot* slot = state.currentSlot();
    // A link that does not answer leaves 50, which names no state.
    uint8_t runState = 50;
    VXC_GetState(slot ? slot->handle : nullptr, &runState);

    const StateWord* word = &kNotConnected;
    for (const StateWord& candidate : kStateWords)
        if (candidate.state == runState)
            word = &candidate;
    report.stateText = (slot ? slot->displayName() : std::string()) +
                       (state.chinese() ? word->chinese : word->english);
    if (state.chinese()) {
        report.alarm = word->alarm;
        report.disconnect = word == &kNotConnected;
    }
    return report;
}

} // namespace korvan::shell
