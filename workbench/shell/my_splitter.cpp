#include "workbench/shell/my_splitter.h"

#include <QPainter>
#include <QVBoxLayout>

namespace korvan::shell {
namespace {

// Two nested 1-pixel frames, from the outside in.
void drawDoubleFrame(QPainter& painter, const QRect& outer, const QColor& colour)
{
    painter.setPen(colour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(outer.adjusted(0, 0, -1, -1));
    painter.drawRect(outer.adjusted(1, 1, -2, -2));
}

class MySplitterHandle final : public QSplitterHandle
{
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) final
    {
        QPainter painter(this);
        painter.fillRect(rect(), SplitterColours::bar());
        painter.setPen(SplitterColours::barFrame());
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// A pane's border: two black frames around the pane; the pane keeps its own
// background.
class PaneBorder final : public QWidget
{
public:
    PaneBorder(QWidget* pane, QWidget* parent) : QWidget(parent)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(MySplitter::kBorderWidth, MySplitter::kBorderWidth,
                                   MySplitter::kBorderWidth, MySplitter::kBorderWidth);
        layout->setSpacing(0);
        layout->addWidget(pane);
        setObjectName(QStringLiteral("PaneBorder"));
    }

protected:
    void paintEvent(QPaintEvent*) final
    {
        QPainter painter(this);
        drawDoubleFrame(painter, rect(), SplitterColours::paneBorder());
    }
};

} // namespace

MySplitter::MySplitter(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent)
{
    setHandleWidth(kBarWidth);
    setContentsMargins(kBorderWidth, kBorderWidth, kBorderWidth, kBorderWidth);
    setChildrenCollapsible(false);
}

QWidget* MySplitter::addPane(QWidget* pane)
{
    auto* border = new PaneBorder(pane, this);
    addWidget(border);
    return border;
}

QSplitterHandle* MySplitter::createHandle()
{
    return new MySplitterHandle(orientation(), this);
}

void MySplitter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawDoubleFrame(painter, rect(), SplitterColours::outerBorder());
    // Each visible bar crosses the outer border at both of its ends.
    for (int i = 1; i < count(); ++i) {
        const QSplitterHandle* bar = handle(i);
        if (!bar || !bar->isVisible())
            continue;
        const QRect span = bar->geometry();
        if (orientation() == Qt::Vertical) {
            painter.fillRect(QRect(0, span.top(), kBorderWidth, span.height()),
                             SplitterColours::intersection());
            painter.fillRect(QRect(width() - kBorderWidth, span.top(), kBorderWidth, span.height()),
                             SplitterColours::intersection());
        } else {
            painter.fillRect(QRect(span.left(), 0, span.width(), kBorderWidth),
                             SplitterColours::intersection());
            painter.fillRect(
                QRect(span.left(), height() - kBorderWidth, span.width(), kBorderWidth),
                SplitterColours::intersection());
        }
    }
}

} // namespace korvan::shell
