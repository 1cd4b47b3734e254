// Finding a window's controls by what the user sees, for QTest suites.
#pragma once

#include <QPushButton>
#include <QString>
#include <QWidget>

namespace korvan::testing {

/// The first push button below window whose caption is caption, or null.
inline QPushButton* buttonWithCaption(const QWidget* window, const QString& caption)
{
    for (QPushButton* candidate : window->findChildren<QPushButton*>())
        if (candidate->text() == caption)
            return candidate;
    return nullptr;
}

} // namespace korvan::testing
