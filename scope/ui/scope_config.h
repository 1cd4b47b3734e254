// ScopeConfig: the modal settings dialog "示波器设置" with its TABLE checks,
// and the settings action that runs and applies it.
#pragma once

#include "scope/core/scope_link.h"
#include "scope/core/scope_settings.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace korvan::scope {

class CKorNewStatic;

/// The fields the dialog edits.
struct ScopeConfigValues
{
    int channelCount = 2;
    int depth = 1000;
    int interval = 1;
    bool useEndOfTable = true;
    int tableStart = 0;
    int displayType = 0;
    bool exportParameters = true;
    bool continuous = false;
    ColorValue background = 0;
    std::array<ColorValue, kMaxChannels> colors = kDefaultChannelColors;

    static ScopeConfigValues from(const ScopeSettings& s);
};

class ScopeConfig final : public QDialog
{
    Q_OBJECT
public:
    /// offeredChannels is byte 55 of the specification record; the list holds at most 8.
    ScopeConfig(ScopeLink& link, int offeredChannels, const ScopeConfigValues& values,
                QWidget* parent = nullptr);

    /// The fields as confirmed (the channel count held within 1 to 8).
    const ScopeConfigValues& values() const { return m_values; }

    void accept() final;

private:
    bool readBack();
    void applyEndOfTableRule();
    int selectedChannelCount() const;

    ScopeLink& m_link;
    ScopeConfigValues m_values;
    QComboBox* m_channels = nullptr;
    QLineEdit* m_depth = nullptr;
    QLineEdit* m_interval = nullptr;
    QCheckBox* m_useEnd = nullptr;
    QLineEdit* m_tableStart = nullptr;
    CKorNewStatic* m_background = nullptr;
    QComboBox* m_displayType = nullptr;
    QCheckBox* m_continuous = nullptr;
    QCheckBox* m_exportParameters = nullptr;
    std::array<CKorNewStatic*, kMaxChannels> m_colors{};
};

/// Takes over a confirmed dialog: the fields, the TABLE start (from TSIZE with
/// use end of TABLE) and the colours.
void applyConfig(const ScopeConfigValues& values, ScopeLink& link, ScopeSettings& settings);

} // namespace korvan::scope
