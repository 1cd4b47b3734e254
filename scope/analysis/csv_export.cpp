#include "scope/analysis/csv_export.h"

#include <charconv>
#include <cmath>
#include <fstream>

namespace korvan::scope {
namespace {

void appendNumber(std::string& out, int value)
{
    char text[16];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// The shortest text that reads back to the same float; plain digits where they
// stay short (100000, not 1e+05), the exponent only for very large or small values.
void appendNumber(std::string& out, float value)
{
    char text[64];
    const float magnitude = std::fabs(value);
    const bool plain = magnitude == 0.0F || (magnitude >= 1e-4F && magnitude < 1e15F);
    const auto result =
        plain ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
              : std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

int channelsOf(const ScopeRecord& record)
{
    return record.hasSamples() ? record.channelCount : 0;
}

} // namespace

std::string csvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string csvHeader(const ScopeRecord& record)
{
    std::string line = "sample";
    if (record.samplePeriod > 0.0)
        line += ",time_s";
    for (int c = 0; c < channelsOf(record); ++c)
        line += "," + csvField(record.traces[static_cast<std::size_t>(c)].label);
    return line;
}

bool writeCsv(const std::filesystem::path& path, const ScopeRecord& record)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    std::string chunk = csvHeader(record) + "\n";
    const int channels = channelsOf(record);
    const int samples = channels > 0 ? record.total : 0;
    for (int s = 0; s < samples; ++s) {
        appendNumber(chunk, s);
        if (record.samplePeriod > 0.0) {
            chunk += ',';
            // Twelve digits drop the binary noise of the product (0.007, not 0.007000000000000001).
            char text[40];
            const auto r = std::to_chars(text, text + sizeof text, s * record.samplePeriod,
                                         std::chars_format::general, 12);
            chunk.append(text, r.ptr);
        }
        for (int c = 0; c < channels; ++c) {
            chunk += ',';
            appendNumber(chunk, record.sample(c, s));
        }
        chunk += '\n';
        if (chunk.size() > (1 << 16)) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.clear();
        }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    out.close();
    return !out.fail();
}

} // namespace korvan::scope
