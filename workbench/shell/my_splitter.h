// MySplitter: the splitter of the right-hand column, drawn in fixed colours.
// Each pane sits in a black border, the bar is light grey with a black frame,
// the splitter has a grey outer border, and where the bar crosses that border
// the intersection is green.
#pragma once

#include <QColor>
#include <QSplitter>

namespace korvan::shell {

// The fixed colours of MySplitter's parts.
struct SplitterColours
{
    static QColor paneBorder() { return Qt::black; }
    static QColor bar() { return {200, 200, 200}; }
    static QColor barFrame() { return Qt::black; }
    static QColor intersection() { return {0, 200, 0}; }
    static QColor outerBorder() { return {120, 120, 120}; }
};

class MySplitter final : public QSplitter
{
    Q_OBJECT

public:
    /// Width of the outer border and of each pane's border: two 1-pixel frames.
    static constexpr int kBorderWidth = 2;
    /// Width of the bars.
    static constexpr int kBarWidth = 4;

    explicit MySplitter(Qt::Orientation orientation, QWidget* parent = nullptr);

    /// Adds a pane inside its black border; returns the border widget, which
    /// is what hides and shows the pane within the splitter.
    QWidget* addPane(QWidget* pane);

protected:
    QSplitterHandle* createHandle() final;
    void paintEvent(QPaintEvent* event) final;
};

} // namespace korvan::shell
