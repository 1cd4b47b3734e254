// The oscilloscope's text data files: an optional parameter header, a label
// line and one line of tab-separated values per sample, lines ended by "\r\n".
#pragma once

#include "scope/core/scope_record.h"
#include "scope/core/scope_settings.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::scope {

/// Writes the record; the header when exportHeader. False when the file cannot be created.
bool writeDataFile(const std::filesystem::path& path, const ScopeRecord& record,
                   const ScopeSettings& settings, const ScopeChannels& rows, bool exportHeader);

/// The data file as text (what writeDataFile stores).
std::string formatDataFile(const ScopeRecord& record, const ScopeSettings& settings,
                           const ScopeChannels& rows, bool exportHeader);

/// A "Para%d" line of the header; each field is present only when its token was.
struct ImportedRow
{
    std::optional<int> number;
    std::optional<std::string> source;
    std::optional<double> offset;
    std::optional<double> scale;
};

/// Header values found in a data file.
struct ImportedParameters
{
    std::optional<double> horizontalScale;
    std::optional<int> channelCount;
    std::optional<int> depth;
    std::optional<int> interval;
    std::optional<bool> useEndOfTable;
    std::optional<int> tableStart;
    std::optional<int> displayType;
    std::optional<bool> continuous;
    std::optional<bool> exportParameters;
    std::optional<bool> follow;
    std::array<std::optional<ColorValue>, kMaxChannels + 1> colors; ///< 0 background, 1–8 channels
    std::array<ImportedRow, kMaxChannels> rows;
};

/// Everything an import reads.
struct ImportedData
{
    ImportedParameters parameters;
    bool parametersApplied = false;          ///< the header was taken over
    bool reachedLabels = false;              ///< false when the file ended inside the header
    std::vector<std::string> labels;         ///< at most 8
    int rows = 0;                            ///< sample rows actually read
    std::vector<std::vector<float>> samples; ///< per channel, rows values each
    std::array<ChannelTrace, kMaxChannels> extremes;
};

/// The keys that mark header lines, in the order they are matched.
inline constexpr std::array<std::string_view, 13> kHeaderKeys = {"XScale",
                                                                 "Channel Num",
                                                                 "Depth",
                                                                 "Space",
                                                                 "Auto Use end of Table",
                                                                 "Table Pos",
                                                                 "ShowType",
                                                                 "Acquistion",
                                                                 "Export parameters",
                                                                 "Follow",
                                                                 "BackCor",
                                                                 "Channel",
                                                                 "Para"};

/// Reads a data file's content. askImportParameters is asked once when a header is present.
ImportedData parseDataFile(std::string_view content,
                           const std::function<bool()>& askImportParameters);

/// Takes over the header values (the scale box rule and the 1–8 count included).
void applyImportedParameters(const ImportedParameters& p, ScopeSettings& settings,
                             ScopeChannels& rows);

/// Places the imported samples in the record, replacing its block when it is too
/// small. False (record unchanged) when the block cannot be allocated.
bool applyImportedSamples(const ImportedData& data, ScopeRecord& record);

/// Splits an import line into its tokens (tabs, spaces, carriage returns;
/// a line feed or a token longer than 62 characters ends the line).
std::vector<std::string_view> importTokens(std::string_view line);

} // namespace korvan::scope
