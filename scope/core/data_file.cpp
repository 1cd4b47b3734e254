#include "scope/core/data_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>

namespace korvan::scope {
namespace {

constexpr std::size_t kImportLine = 2047; // characters per line read
constexpr std::size_t kCountLine = 999;   // characters per line when counting rows
constexpr std::size_t kMaxToken = 62;

void appendf(std::string& out, const char* format, auto... args)
{
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    if (n > 0)
        out.append(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

// Reads lines the way a fixed line buffer does: at most max characters, or up
// to and including the line feed, whichever comes first.
class LineCursor
{
public:
    explicit LineCursor(std::string_view text) : m_text(text) {}

    bool next(std::string_view& line, std::size_t max)
    {
        if (m_pos >= m_text.size())
            return false;
        const std::size_t limit = std::min(max, m_text.size() - m_pos);
        std::size_t length = limit;
        const auto feed = m_text.substr(m_pos, limit).find('\n');
        if (feed != std::string_view::npos)
            length = feed + 1;
        line = m_text.substr(m_pos, length);
        m_pos += length;
        // An over-long line is cut; its rest is dropped, not read as more lines.
        if (feed == std::string_view::npos && m_pos < m_text.size()) {
            const auto end = m_text.find('\n', m_pos);
            m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
        }
        return true;
    }
    std::size_t position() const { return m_pos; }
    void seek(std::size_t pos) { m_pos = pos; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

std::string_view valueAfterEquals(std::string_view line, bool& found)
{
    const auto equals = line.find('=');
    found = equals != std::string_view::npos;
    return found ? line.substr(equals + 1) : std::string_view{};
}

int digitAt(std::string_view line, std::size_t at)
{
    if (at >= line.size() || line[at] < '0' || line[at] > '9')
        return -1;
    return line[at] - '0';
}

void applyHeaderLine(std::string_view key, std::string_view line, ImportedParameters& p)
{
    if (key == "Para") {
        const int row = digitAt(line, line.find("Para") + 4);
        if (row < 0 || row >= kMaxChannels)
            return;
        const auto tokens = importTokens(line);
        ImportedRow& target = p.rows[static_cast<std::size_t>(row)];
        if (tokens.size() > 1)
            target.number = leadingInt(tokens[1]);
        if (tokens.size() > 2)
            target.source = std::string(tokens[2]);
        if (tokens.size() > 3)
            target.offset = leadingDouble(tokens[3]);
        if (tokens.size() > 4)
            target.scale = leadingDouble(tokens[4]);
        return;
    }
    bool hasValue = false;
    const std::string_view v = valueAfterEquals(line, hasValue);
    if (!hasValue)
        return; // a key without "=" carries no value
    const int number = leadingInt(v);
    if (key == "XScale")
        p.horizontalScale = leadingDouble(v);
    else if (key == "Channel Num")
        p.channelCount = number;
    else if (key == "Depth")
        p.depth = number;
    else if (key == "Space")
        p.interval = number;
    else if (key == "Auto Use end of Table")
        p.useEndOfTable = number != 0;
    else if (key == "Table Pos")
        p.tableStart = number;
    else if (key == "ShowType")
        p.displayType = number;
    else if (key == "Acquistion")
        p.continuous = number != 0;
    else if (key == "Export parameters")
        p.exportParameters = number != 0;
    else if (key == "Follow")
        p.follow = number != 0;
    else if (key == "BackCor")
        p.colors[0] = number;
    else if (key == "Channel") {
        const auto equals = line.find('=');
        const int index = equals > 0 ? digitAt(line, equals - 1) : -1;
        if (index >= 0 && index <= kMaxChannels)
            p.colors[static_cast<std::size_t>(index)] = number;
    }
}

std::optional<std::string_view> headerKeyOf(std::string_view line)
{
    for (const std::string_view key : kHeaderKeys)
        if (line.find(key) != std::string_view::npos)
            return key;
    return std::nullopt;
}

} // namespace

std::vector<std::string_view> importTokens(std::string_view line)
{
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    const auto separator = [](char c) { return c == '\t' || c == ' ' || c == '\r'; };
    while (i < line.size()) {
        while (i < line.size() && separator(line[i]))
            ++i;
        if (i >= line.size() || line[i] == '\n' || line[i] == '\0')
            break;
        const std::size_t begin = i;
        while (i < line.size() && !separator(line[i]) && line[i] != '\n' && line[i] != '\0')
            ++i;
        if (i - begin > kMaxToken)
            break;
        tokens.push_back(line.substr(begin, i - begin));
    }
    return tokens;
}

std::string formatDataFile(const ScopeRecord& record, const ScopeSettings& s,
                           const ScopeChannels& rows, bool exportHeader)
{
    std::string out;
    if (exportHeader) {
        appendf(out, "XScale=%f\r\n", s.horizontalScale);
        appendf(out, "Channel Num=%d\r\n", s.channelCount);
        appendf(out, "Depth=%d\r\n", s.depth);
        appendf(out, "Space=%d\r\n", s.interval);
        appendf(out, "Auto Use end of Table=%d\r\n", s.useEndOfTable ? 1 : 0);
        appendf(out, "Table Pos=%d\r\n", s.tableStart);
        appendf(out, "ShowType=%d\r\n", s.displayType);
        appendf(out, "Export parameters=%d\r\n", s.exportParameters ? 1 : 0);
        appendf(out, "Follow=%d\r\n", s.follow ? 1 : 0);
        appendf(out, "BackCor=%d\r\n", s.background);
        appendf(out, "Acquistion=%d\r\n", s.continuous ? 1 : 0);
        for (int i = 0; i < kMaxChannels; ++i)
            appendf(out, "Channel %d=%d\r\n", i + 1, s.channelColors[static_cast<std::size_t>(i)]);
        for (int i = 0; i < kMaxChannels; ++i) {
            const ScopeChannel& row = rows[static_cast<std::size_t>(i)];
            out +=
                "Para" + std::to_string(i) + "\t" + std::to_string(row.number) + "\t" + row.source;
            appendf(out, "\t%f\t%f\r\n", static_cast<double>(row.offset),
                    static_cast<double>(row.scale));
        }
        out += "\r\n";
    }
    const int channels = std::min(record.channelCount, kMaxChannels);
    for (int c = 0; c < channels; ++c)
        out += record.traces[static_cast<std::size_t>(c)].label + "\t";
    if (!record.hasSamples())
        return out;
    out.reserve(out.size() + static_cast<std::size_t>(record.total) * channels * 14);
    for (int s = 0; s < record.total; ++s) {
        out += "\r\n";
        for (int c = 0; c < channels; ++c)
            appendf(out, "%f\t", static_cast<double>(record.sample(c, s)));
    }
    return out;
}

bool writeDataFile(const std::filesystem::path& path, const ScopeRecord& record,
                   const ScopeSettings& settings, const ScopeChannels& rows, bool exportHeader)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    const std::string text = formatDataFile(record, settings, rows, exportHeader);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(file);
}

ImportedData parseDataFile(std::string_view content,
                           const std::function<bool()>& askImportParameters)
{
    ImportedData data;
    LineCursor cursor(content);
    std::string_view line;
    if (!cursor.next(line, kImportLine))
        return data;
    int linesRead = 1;

    bool takeOver = false;
    if (headerKeyOf(line))
        takeOver = askImportParameters ? askImportParameters() : false;
    data.parametersApplied = takeOver;

    while (const auto key = headerKeyOf(line)) {
        if (takeOver)
            applyHeaderLine(*key, line, data.parameters);
        if (!cursor.next(line, kImportLine))
            return data; // the end of the file ends the header and the import
        ++linesRead;
    }
    if (line == "\r\n") {
        if (!cursor.next(line, kImportLine)) {
            data.reachedLabels = true;
            return data;
        }
        ++linesRead;
    }
    data.reachedLabels = true;

    for (const std::string_view token : importTokens(line)) {
        if (data.labels.size() == static_cast<std::size_t>(kMaxChannels))
            break;
        data.labels.emplace_back(token);
    }
    const int k = static_cast<int>(data.labels.size());
    if (k == 0)
        return data;

    const std::size_t remembered = cursor.position();
    LineCursor counter(content);
    std::string_view ignored;
    long long allLines = 0;
    while (counter.next(ignored, kCountLine))
        ++allLines;
    const long long expected = allLines - linesRead;
    if (expected <= 0)
        return data;
    cursor.seek(remembered);

    data.samples.assign(static_cast<std::size_t>(k), {});
    for (auto& channel : data.samples)
        channel.reserve(static_cast<std::size_t>(expected));
    for (long long r = 0; r < expected && cursor.next(line, kImportLine); ++r) {
        const auto tokens = importTokens(line);
        for (int c = 0; c < k; ++c) {
            const bool present = static_cast<std::size_t>(c) < tokens.size();
            // A short row keeps its missing values at 0 rather than stale memory.
            const float v =
                present ? static_cast<float>(leadingDouble(tokens[static_cast<std::size_t>(c)]))
                        : 0.0F;
            data.samples[static_cast<std::size_t>(c)].push_back(v);
            if (present)
                data.extremes[static_cast<std::size_t>(c)].track(v);
        }
        ++data.rows;
    }
    return data;
}

void applyImportedParameters(const ImportedParameters& p, ScopeSettings& s, ScopeChannels& rows)
{
    if (p.horizontalScale) {
        // The box shows the truncated value and its rule raises it to 10.
        const double v = std::isfinite(*p.horizontalScale) ? std::trunc(*p.horizontalScale) : 0.0;
        s.horizontalScale = clampHorizontalScale(std::clamp(v, -2147483648.0, 2147483647.0));
    }
    if (p.channelCount)
        s.channelCount = clampChannelCount(*p.channelCount);
    if (p.depth)
        s.depth = std::max(1, *p.depth);
    if (p.interval)
        s.interval = *p.interval;
    if (p.useEndOfTable)
        s.useEndOfTable = *p.useEndOfTable;
    if (p.tableStart)
        s.tableStart = std::max(0, *p.tableStart);
    if (p.displayType)
        s.displayType = *p.displayType;
    if (p.continuous)
        s.continuous = *p.continuous;
    if (p.exportParameters)
        s.exportParameters = *p.exportParameters;
    if (p.follow)
        s.follow = *p.follow;
    if (p.colors[0])
        s.background = *p.colors[0];
    for (int i = 1; i <= kMaxChannels; ++i)
        if (p.colors[static_cast<std::size_t>(i)])
            s.channelColors[static_cast<std::size_t>(i - 1)] =
                *p.colors[static_cast<std::size_t>(i)];
    for (int i = 0; i < kMaxChannels; ++i) {
        const ImportedRow& in = p.rows[static_cast<std::size_t>(i)];
        ScopeChannel& row = rows[static_cast<std::size_t>(i)];
        if (in.number)
            row.number = *in.number;
        if (in.source)
            row.source = *in.source;
        // The row boxes show "%d" of the values, so they come back whole.
        const auto whole = [](double v) {
            return std::isfinite(v)
                       ? static_cast<float>(std::trunc(std::clamp(v, -2147483648.0, 2147483647.0)))
                       : 0.0F;
        };
        if (in.offset)
            row.offset = whole(*in.offset);
        if (in.scale)
            row.scale = whole(*in.scale);
    }
}

bool applyImportedSamples(const ImportedData& data, ScopeRecord& record)
{
    const int k = static_cast<int>(data.labels.size());
    if (k == 0 || data.rows <= 0)
        return false;
    const bool replace = data.rows > record.depth || k > record.channelCount ||
                         !record.buffer.exists() || record.buffer.channels() < k ||
                         record.buffer.length() < data.rows;
    if (replace) {
        SampleBuffer fresh;
        if (!fresh.allocate(k, data.rows))
            return false;
        record.buffer = std::move(fresh);
        record.depth = data.rows;
    }
    record.channelCount = k;
    record.history = 0;
    record.total = data.rows;
    record.touch();
    // The file keeps no time base; its samples are numbered only.
    record.samplePeriod = 0.0;
    for (int c = 0; c < k; ++c) {
        ChannelTrace& trace = record.traces[static_cast<std::size_t>(c)];
        trace.label = data.labels[static_cast<std::size_t>(c)];
        trace.minimum = data.extremes[static_cast<std::size_t>(c)].minimum;
        trace.maximum = data.extremes[static_cast<std::size_t>(c)].maximum;
        const auto& values = data.samples[static_cast<std::size_t>(c)];
        std::copy(values.begin(), values.end(), record.buffer.channel(c));
    }
    return true;
}

} // namespace korvan::scope
