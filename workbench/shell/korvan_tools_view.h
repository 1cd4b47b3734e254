// The resource tree: the left pane with every registered connection, its
// axes, modules and bus nodes. It carries out ConnectAll and DisconnectCurrent.
#pragma once

#include "workbench/shell/app_state.h"
#include "workbench/shell/connection_messenger.h"
#include "workbench/shell/connection_registry.h"
#include "workbench/shell/resource_tree_logic.h"

#include <QWidget>

#include <vector>

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvan::shell {

class CKorvanToolsView final : public QWidget,
                               public ConnectionTree,
                               private TreeBranchSink,
                               private UserMessages
{
    Q_OBJECT

public:
    CKorvanToolsView(AppState& state, ConnectionMessenger& frame, QWidget* parent = nullptr);

    /// Connects every reachable controller (menu command and first showing).
    int connectAll();
    void disconnectCurrent();
    /// WM_CONNECTION code 0.
    void registerOpenedSlot(int index);
    /// WM_CONNECTION code 1: rebuilds one slot's branch.
    void RefreshConnection(int slot);
    /// Adds a connection item with its branch.
    void AddConnection(int slot);

    ConnectionRegistry& registry() { return m_registry; }
    QTreeWidget* tree() const { return m_tree; }
    /// Runs what the first showing runs (for a frame that is not shown).
    void firstShowing();
    /// Shows the popup menu (resource 119) at a global position; it closes itself.
    QMenu* showPopupMenu(const QPoint& globalPosition);

    // ConnectionTree
    void deleteAllItems() final;
    void addConnection(int slot) final { AddConnection(slot); }
    void setSelectionHandling(bool on) final { m_handleSelection = on; }

protected:
    void showEvent(QShowEvent* event) final;
    void resizeEvent(QResizeEvent* event) final;

private:
    int addItem(int parent, const std::string& text, TreeImage image, int32_t data) final;
    void showMessage(const std::string& text) final;
    void selectionChanged(QTreeWidgetItem* item);

    AppState& m_state;
    ConnectionMessenger& m_frame;
    ConnectionRegistry m_registry;
    QTreeWidget* m_tree;
    std::vector<QTreeWidgetItem*> m_branchItems; // sink ids while a branch is built
    bool m_handleSelection = false;
    bool m_firstShown = false;
};

} // namespace korvan::shell
