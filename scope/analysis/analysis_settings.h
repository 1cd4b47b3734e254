// What the analysis side panel remembers between runs, in a section of its
// own ("Analysis") of the oscilloscope's settings file, beside "Scope".
#pragma once

#include "scope/analysis/software_trigger.h"

#include <filesystem>
#include <string_view>

namespace korvan::scope {

enum class MeasureRange
{
    Visible = 0,       ///< the samples in view
    BetweenCursors = 1 ///< the samples between the two time cursors
};

struct AnalysisSettings
{
    bool panelShown = false;
    bool timeAxis = true; ///< time labels when the servo period is known
    int channel = 0;      ///< the selected channel: value ticks, autoscale, spectrum
    MeasureRange range = MeasureRange::Visible;
    bool timeCursors = false;
    bool valueCursors = false;
    TriggerSettings trigger;
};

class AnalysisSettingsFile
{
public:
    static constexpr std::string_view kSection = "Analysis";

    explicit AnalysisSettingsFile(std::filesystem::path path) : m_path(std::move(path)) {}

    /// The stored settings; defaults for missing or unreadable keys.
    AnalysisSettings read() const;
    /// Stores every key; false when the file cannot be written.
    bool write(const AnalysisSettings& settings) const;

private:
    std::filesystem::path m_path;
};

} // namespace korvan::scope
