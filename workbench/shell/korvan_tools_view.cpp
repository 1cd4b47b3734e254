#include "workbench/shell/korvan_tools_view.h"

#include "platform/ui/message_box.h"
#include "workbench/shell/captions.h"
#include "workbench/shell/icons.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QTreeWidget>

#include <array>

namespace korvan::shell {
namespace {

// Image list order: icons 324, 325, 326, 328, 327.
constexpr std::array<int, 5> kImageResources{324, 325, 326, 328, 327};
constexpr int kDataRole = Qt::UserRole;

// The popup menu of resource 119. The tree's items are made by the program,
// not by the user, so only Copy (the item's text, such as an IP address) acts;
// Cut and Paste stay greyed.
struct PopupEntry
{
    int id;
    const char* chinese;
    const char* english;
    bool copies;
};
constexpr std::array kPopupEntries{
    PopupEntry{57635, "剪切(&T)", "Cu&t", false},
    PopupEntry{57634, "复制(&C)", "&Copy", true},
    PopupEntry{57637, "粘贴(&P)", "&Paste", false},
};

// A fresh branch is shown with its groups open.
void expandBranch(QTreeWidgetItem* connection)
{
    connection->setExpanded(true);
    for (int i = 0; i < connection->childCount(); ++i)
        connection->child(i)->setExpanded(true);
}

} // namespace

CKorvanToolsView::CKorvanToolsView(AppState& state, ConnectionMessenger& frame, QWidget* parent)
    : QWidget(parent), m_state(state), m_frame(frame), m_registry(state, *this, *this),
      m_tree(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("CKorvanToolsView"));
    setControlId(m_tree, 1001);
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(16, 16));
    m_tree->setStyleSheet(QStringLiteral("QTreeWidget { background: white; }"));
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { selectionChanged(current); });
    // Right-click and the context key both ask for the popup menu.
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { showPopupMenu(m_tree->viewport()->mapToGlobal(at)); });
}

QMenu* CKorvanToolsView::showPopupMenu(const QPoint& globalPosition)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("TreePopup119"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QTreeWidgetItem* item = m_tree->currentItem();
    for (const PopupEntry& entry : kPopupEntries) {
        QAction* action =
            menu->addAction(QString::fromUtf8(pick(m_state, entry.chinese, entry.english)));
        action->setData(entry.id);
        action->setEnabled(entry.copies && item);
        if (entry.copies && item) {
            const QString text = item->text(0);
            connect(action, &QAction::triggered, this,
                    [text] { QApplication::clipboard()->setText(text); });
        }
    }
    // Not exec(): the menu must not run a modal loop of its own.
    menu->popup(globalPosition);
    return menu;
}

void CKorvanToolsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    firstShowing();
}

void CKorvanToolsView::firstShowing()
{
    if (m_firstShown)
        return;
    m_firstShown = true;
    m_registry.connectAll();
    m_handleSelection = true;
    m_state.currentConnection = 0;
    setWindowTitle(QStringLiteral("view_tree"));
}

void CKorvanToolsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_tree->setGeometry(rect());
}

int CKorvanToolsView::connectAll()
{
    return m_registry.connectAll();
}

void CKorvanToolsView::disconnectCurrent()
{
    m_registry.disconnectCurrent();
}

void CKorvanToolsView::registerOpenedSlot(int index)
{
    m_registry.registerOpenedSlot(index);
}

void CKorvanToolsView::deleteAllItems()
{
    const bool handling = m_handleSelection;
    m_handleSelection = false;
    m_tree->clear();
    m_handleSelection = handling;
}

void CKorvanToolsView::AddConnection(int slot)
{
    if (slot < 0 || slot >= kMaxConnections)
        return;
    const ConnectionSlot& connection = m_state.slots[static_cast<std::size_t>(slot)];
    const std::optional<std::string> text = connectionItemText(connection);
    if (!text)
        return;
    const bool handling = m_handleSelection;
    m_handleSelection = false;
    auto* item = new QTreeWidgetItem(m_tree, {QString::fromStdString(*text)});
    item->setIcon(0, resourceIcon(kImageResources[0]));
    item->setData(0, kDataRole, TreeItemData::connection(slot));
    m_branchItems = {item};
    buildBranch(connection, slot, 0, *this);
    m_branchItems.clear();
    expandBranch(item);
    m_handleSelection = handling;
}

void CKorvanToolsView::RefreshConnection(int slot)
{
    const int32_t base = TreeItemData::connection(slot);
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        if (item->data(0, kDataRole).toInt() != base)
            continue;
        const bool handling = m_handleSelection;
        m_handleSelection = false;
        qDeleteAll(item->takeChildren());
        m_branchItems = {item};
        buildBranch(m_state.slots[static_cast<std::size_t>(slot)], slot, 0, *this);
        m_branchItems.clear();
        expandBranch(item);
        m_handleSelection = handling;
        return;
    }
}

int CKorvanToolsView::addItem(int parent, const std::string& text, TreeImage image, int32_t data)
{
    QTreeWidgetItem* parentItem = m_branchItems.at(static_cast<std::size_t>(parent));
    auto* item = new QTreeWidgetItem(parentItem, {QString::fromStdString(text)});
    item->setIcon(0, resourceIcon(kImageResources[static_cast<std::size_t>(image)]));
    item->setData(0, kDataRole, data);
    m_branchItems.push_back(item);
    return static_cast<int>(m_branchItems.size()) - 1;
}

void CKorvanToolsView::showMessage(const std::string& text)
{
    platform::MessageBox(this, QString::fromStdString(text));
}

void CKorvanToolsView::selectionChanged(QTreeWidgetItem* item)
{
    if (!m_handleSelection || !item)
        return;
    const QString parentText = item->parent() ? item->parent()->text(0) : QString();
    const SelectionRequest request = decodeSelection(
        item->data(0, kDataRole).toInt(), item->text(0).toStdString(), parentText.toStdString());
    if (request.slot < 0 || request.slot >= m_state.connectionCount)
        return;
    m_state.currentConnection = request.slot;
    m_frame.send(request.code, request.param);
}

} // namespace korvan::shell
