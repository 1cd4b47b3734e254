// Panel message boxes for tests: every text shown or asked, in order, and a
// fixed answer to the OK / Cancel questions.
#pragma once

#include "workbench/axis/single_axis_logic.h"

#include <string>
#include <vector>

namespace korvan::axis::testing {

class RecordedMessages final : public PanelMessages
{
public:
    void inform(const std::string& text) final { shown.push_back(text); }
    bool confirmOkCancel(const std::string& text) final
    {
        shown.push_back(text);
        return answerOk;
    }

    std::vector<std::string> shown;
    bool answerOk = true;
};

} // namespace korvan::axis::testing
