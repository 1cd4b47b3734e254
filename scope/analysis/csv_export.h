// The record as comma-separated values for spreadsheets and pandas: one
// header line ("sample", "time_s" when the time base is known, then each
// channel's label), then one line per sample. Numbers are written without
// locale, as the shortest text that reads back to the same value.
#pragma once

#include "scope/core/scope_record.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace korvan::scope {

/// One CSV field, quoted when it holds a comma, a quote or a line break.
std::string csvField(std::string_view text);

/// The header line without its line end.
std::string csvHeader(const ScopeRecord& record);

/// Writes the whole record; false when the file cannot be written in full.
bool writeCsv(const std::filesystem::path& path, const ScopeRecord& record);

} // namespace korvan::scope
