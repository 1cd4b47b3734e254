// View_ControlMax (dialog 312): the "Controller specification status" page.
// The report text on the left, the field bus nodes on the right; both are
// built when the page is made and whenever its tab is selected.
#pragma once

#include "platform/ui/form_widgets.h"
#include "platform/ui/tab_page.h"
#include "workbench/axis/views/axis_pages_environment.h"

class QPlainTextEdit;
class QTableWidget;

namespace korvan::axis {

class View_ControlMax final : public platform::TabPage
{
    Q_OBJECT
public:
    explicit View_ControlMax(AxisPagesEnvironment& environment, QWidget* parent = nullptr);

    /// Rebuilds the report and the node list; without a controller both stay.
    void BuildSpecReport();
    void refreshPage() final { BuildSpecReport(); }

    QPlainTextEdit* report() const { return m_report; }
    QTableWidget* nodeList() const { return m_nodes; }

protected:
    void resizeEvent(QResizeEvent* event) final;

private:
    void buildNodeList();

    AxisPagesEnvironment& m_environment;
    platform::FormWidgets m_form;
    QPlainTextEdit* m_report = nullptr;
    QTableWidget* m_nodes = nullptr;
};

} // namespace korvan::axis
