#include "scope/core/settings_file.h"

#include "platform/core/config_dir.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace korvan::scope {
namespace {

std::string indexed(std::string_view key, int index)
{
    return std::string(key) + std::to_string(index);
}

// The file stores scales and offsets as truncated integers; a value outside
// int range (typed by hand) is held at the range's end instead of wrapping.
long long truncated(double value)
{
    if (!std::isfinite(value))
        return 0;
    if (value > 2147483647.0)
        return 2147483647;
    if (value < -2147483648.0)
        return -2147483648LL;
    return static_cast<long long>(value);
}

} // namespace

std::filesystem::path ScopeSettingsFile::defaultPath()
{
    return platform::userConfigDir() / std::string(kFileName);
}

ScopeSettingsFile::ScopeSettingsFile(std::filesystem::path path) : m_profile(std::move(path)) {}

void ScopeSettingsFile::readChannels(ScopeChannels& rows) const
{
    for (int i = 0; i < kMaxChannels; ++i) {
        ScopeChannel& row = rows[static_cast<std::size_t>(i)];
        row.source = m_profile.readString(kSection, indexed("Name", i), "VP_SPEED");
        row.number = m_profile.readInt(kSection, indexed("AxisNum", i), i);
        row.scale = static_cast<float>(m_profile.readInt(kSection, indexed("Scale", i), 1000));
        row.offset = static_cast<float>(m_profile.readInt(kSection, indexed("Offset", i), 0));
        row.shown = m_profile.readInt(kSection, indexed("SHOW", i), 1) != 0;
    }
}

void ScopeSettingsFile::readSettings(ScopeSettings& s) const
{
    s.horizontalScale = m_profile.readInt(kSection, "XScale", 100);
    s.interval = m_profile.readInt(kSection, "Space", 1);
    // A depth below 1 would make an empty or negative capture area.
    s.depth = std::max(1, m_profile.readInt(kSection, "Depth", 1000));
    s.channelCount = clampChannelCount(m_profile.readInt(kSection, "Channels", 2));
    s.displayType = m_profile.readInt(kSection, "ShowType", 0);
    s.continuous = m_profile.readInt(kSection, "Acquistion", 0) != 0;
    s.exportParameters = m_profile.readInt(kSection, "ExpPara", 1) != 0;
    s.follow = m_profile.readInt(kSection, "Follow", 0) != 0;
    // "IfDtEnd" is written but never read: the flag starts on at every creation.
    s.useEndOfTable = true;
    s.tableStart = 0;
}

void ScopeSettingsFile::readColors(ScopeSettings& s) const
{
    s.background = m_profile.readInt(kSection, "BackCor", 0);
    for (int i = 0; i < kMaxChannels; ++i)
        s.channelColors[static_cast<std::size_t>(i)] = m_profile.readInt(
            kSection, indexed("Corlor", i + 1), kDefaultChannelColors[static_cast<std::size_t>(i)]);
}

void ScopeSettingsFile::writeInt(const std::string& key, long long value)
{
    m_profile.writeString(kSection, key, std::to_string(value));
}

void ScopeSettingsFile::writeStart(const ScopeSettings& s, const ScopeChannels& rows)
{
    const int count = clampChannelCount(s.channelCount);
    for (int i = 0; i < count; ++i) {
        const ScopeChannel& row = rows[static_cast<std::size_t>(i)];
        m_profile.writeString(kSection, indexed("Name", i), row.source);
        writeInt(indexed("AxisNum", i), row.number);
        writeInt(indexed("Scale", i), truncated(row.scale));
        writeInt(indexed("Offset", i), truncated(row.offset));
        writeInt(indexed("SHOW", i), row.shown ? 1 : 0);
    }
    writeInt("XScale", truncated(s.horizontalScale));
    writeInt("Space", s.interval);
    writeInt("Depth", s.depth);
    writeInt("Channels", s.channelCount);
    writeInt("IfDtEnd", s.useEndOfTable ? 1 : 0);
    writeInt("ShowType", s.displayType);
    writeInt("Acquistion", s.continuous ? 1 : 0);
    writeInt("ExpPara", s.exportParameters ? 1 : 0);
    writeInt("Follow", s.follow ? 1 : 0);
}

void ScopeSettingsFile::writeColors(const ScopeSettings& s)
{
    writeInt("BackCor", s.background);
    for (int i = 0; i < kMaxChannels; ++i)
        writeInt(indexed("Corlor", i + 1), s.channelColors[static_cast<std::size_t>(i)]);
}

void ScopeSettingsFile::writeOffset(int row, float offset)
{
    writeInt(indexed("Offset", row), truncated(offset));
}

void ScopeSettingsFile::writeScale(int row, float scale)
{
    writeInt(indexed("Scale", row), truncated(scale));
}

} // namespace korvan::scope
