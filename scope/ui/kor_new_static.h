// CKorNewStatic: a swatch that shows one colour value (a negative value means
// no colour and shows a grey cross-hatch); a click opens the colour chooser.
#pragma once

#include "scope/core/scope_settings.h"

#include <QWidget>

#include <functional>
#include <optional>

namespace korvan::scope {

class CKorNewStatic final : public QWidget
{
    Q_OBJECT
public:
    /// Asks for a colour starting at current; nothing when cancelled.
    using ColorChooser = std::function<std::optional<ColorValue>(QWidget*, ColorValue)>;

    explicit CKorNewStatic(QWidget* parent = nullptr);

    ColorValue color() const { return m_color; }
    void setColor(ColorValue color);

    /// Replaces the chooser for the whole process (tests); null restores QColorDialog.
    static void setColorChooser(ColorChooser chooser);

signals:
    void colorChanged(int color);

protected:
    void paintEvent(QPaintEvent* event) final;
    void mousePressEvent(QMouseEvent* event) final;

private:
    ColorValue m_color = 0;
};

} // namespace korvan::scope
