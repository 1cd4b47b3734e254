// A page of a tab view: a child form that the tab view owns and shows one at
// a time. The tab view runs refreshPage() when the user brings the page into
// view, and the pages of each tool area derive from this without knowing the
// shell that holds them.
#pragma once

#include <QWidget>

namespace korvan::platform {

class TabPage : public QWidget
{
public:
    using QWidget::QWidget;
    /// What selecting the page's tab runs (re-read the controller, rebuild).
    virtual void refreshPage() = 0;
};

} // namespace korvan::platform
