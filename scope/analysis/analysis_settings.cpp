#include "scope/analysis/analysis_settings.h"

#include "platform/core/private_profile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace korvan::scope {
namespace {

double readDouble(const platform::PrivateProfile& p, std::string_view key, double fallback)
{
    const std::string text = p.readString(AnalysisSettingsFile::kSection, key, "");
    double value = fallback;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && std::isfinite(value) ? value : fallback;
}

std::string doubleText(double value)
{
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

} // namespace

AnalysisSettings AnalysisSettingsFile::read() const
{
    const platform::PrivateProfile p(m_path);
    AnalysisSettings s;
    const auto flag = [&](std::string_view key, bool fallback) {
        return p.readInt(kSection, key, fallback ? 1 : 0) != 0;
    };
    s.panelShown = flag("Panel", s.panelShown);
    s.timeAxis = flag("TimeAxis", s.timeAxis);
    s.channel = std::clamp(p.readInt(kSection, "Channel", 0), 0, kMaxChannels - 1);
    s.range =
        p.readInt(kSection, "Range", 0) == 1 ? MeasureRange::BetweenCursors : MeasureRange::Visible;
    s.timeCursors = flag("TimeCursors", s.timeCursors);
    s.valueCursors = flag("ValueCursors", s.valueCursors);
    TriggerSettings t;
    t.channel = p.readInt(kSection, "TriggerChannel", 0);
    t.level = readDouble(p, "TriggerLevel", 0.0);
    t.edge =
        p.readInt(kSection, "TriggerEdge", 0) == 1 ? TriggerEdge::Falling : TriggerEdge::Rising;
    t.preTrigger = p.readInt(kSection, "TriggerPre", 20) / 100.0;
    t.mode =
        p.readInt(kSection, "TriggerMode", 1) == 0 ? TriggerMode::Single : TriggerMode::Repeated;
    SoftwareTrigger checked;
    checked.setSettings(t); // the same bounds as the trigger applies
    s.trigger = checked.settings();
    return s;
}

bool AnalysisSettingsFile::write(const AnalysisSettings& s) const
{
    platform::PrivateProfile p(m_path);
    bool ok = true;
    const auto put = [&](std::string_view key, const std::string& value) {
        ok = p.writeString(kSection, key, value) && ok;
    };
    put("Panel", s.panelShown ? "1" : "0");
    put("TimeAxis", s.timeAxis ? "1" : "0");
    put("Channel", std::to_string(s.channel));
    put("Range", std::to_string(static_cast<int>(s.range)));
    put("TimeCursors", s.timeCursors ? "1" : "0");
    put("ValueCursors", s.valueCursors ? "1" : "0");
    put("TriggerChannel", std::to_string(s.trigger.channel));
    put("TriggerLevel", doubleText(s.trigger.level));
    put("TriggerEdge", std::to_string(static_cast<int>(s.trigger.edge)));
    put("TriggerPre", std::to_string(static_cast<int>(std::lround(s.trigger.preTrigger * 100.0))));
    put("TriggerMode", std::to_string(static_cast<int>(s.trigger.mode)));
    return ok;
}

} // namespace korvan::scope
