#include "workbench/axis/axis_file.h"

#include "platform/core/file_replace.h"
#include "platform/core/private_profile.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

#include <unistd.h>

namespace korvan::axis {
namespace {

// One "KEY=value" line of an axis block, as exported and read back.
struct BlockKey
{
    const char* key;
    AxisRow row;
    bool real;             // "%.3f" and atof, else "%d" and atoi
    const char* separator; // between key and value on export
};

// The assignments of a block before its ratio statements.
constexpr std::array<BlockKey, 15> kParameterKeys{{
    {"ATYPE", AxisRow::Atype, false, "="},
    {"UNITS", AxisRow::Units, true, "="},
    {"LSPEED", AxisRow::Lspeed, true, "="},
    {"SPEED", AxisRow::Speed, true, "="},
    {"ACCEL", AxisRow::Accel, true, "="},
    {"DECEL", AxisRow::Decel, true, "="},
    {"FASTDEC", AxisRow::Fastdec, true, " = "},
    {"SRAMP", AxisRow::Sramp, true, "="},
    {"FS_LIMIT", AxisRow::FsLimit, true, "="},
    {"RS_LIMIT", AxisRow::RsLimit, true, "="},
    {"INVERT_STEP", AxisRow::InvertStep, false, "="},
    {"DATUM_IN", AxisRow::DatumIn, false, "="},
    {"FWD_IN", AxisRow::FwdIn, false, "="},
    {"REV_IN", AxisRow::RevIn, false, "="},
    {"ALM_IN", AxisRow::AlmIn, false, "="},
}};

// The ratio terms once more as comment lines, which the import reads: the
// ratio statements themselves carry no key.
constexpr std::array<BlockKey, 4> kRatioKeys{{
    {"'STEP_RATIO1", AxisRow::StepRatio1, false, "="},
    {"'STEP_RATIO2", AxisRow::StepRatio2, false, "="},
    {"'ENCODER_RATIO1", AxisRow::EncoderRatio1, false, "="},
    {"'ENCODER_RATIO2", AxisRow::EncoderRatio2, false, "="},
}};

// The profile reader's value capacity: 255 characters and the terminator.
constexpr std::size_t kValueCapacity = 256;

const char* Pick(int language, const char* chinese, const char* english)
{
    return language == 1 ? chinese : english;
}

const char* FileOpenFailed(int language)
{
    return Pick(language, "文件打开失败!", "File Open Failed!");
}

int Int(const AxisTable& table, AxisRow row, int axis)
{
    return TruncateToInt(table.at(row, axis));
}

void AppendKey(std::string& text, const BlockKey& key, const AxisTable& table, int axis)
{
    text += key.key;
    text += key.separator;
    text += key.real ? FormatCommand("%.3f", static_cast<double>(table.at(key.row, axis)))
                     : FormatCommand("%d", Int(table, key.row, axis));
    text += "\r\n";
}

void AppendBlock(std::string& text, const AxisTable& table, int axis)
{
    text += FormatCommand("BASE(%d)'\r\n", axis);
    for (const BlockKey& key : kParameterKeys)
        AppendKey(text, key, table, axis);
    text += FormatCommand("STEP_RATIO(%d,%d)\r\n", Int(table, AxisRow::StepRatio1, axis),
                          Int(table, AxisRow::StepRatio2, axis));
    text += FormatCommand("ENCODER_RATIO(%d,%d)\r\n", Int(table, AxisRow::EncoderRatio1, axis),
                          Int(table, AxisRow::EncoderRatio2, axis));
    for (const BlockKey& key : kRatioKeys)
        AppendKey(text, key, table, axis);
    text += FormatCommand("ENABLE_OUT(%d)=%d\r\n", axis, Int(table, AxisRow::EnableOut, axis));
    text += FormatCommand("CLEAR_OUT(%d)=%d\r\n\r\n", axis, Int(table, AxisRow::ClearOut, axis));
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The scratch file goes away however the import ends.
struct ScratchFile
{
    const std::filesystem::path& path;
    ~ScratchFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

bool WriteScratch(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

float ReadKey(const platform::ProfileSnapshot& profile, const std::string& section,
              const std::string& key, bool real)
{
    const std::string value = profile.readString(section, key, "", kValueCapacity);
    return real ? static_cast<float>(ReadLeadingReal(value))
                : static_cast<float>(ReadLeadingInt(value));
}

} // namespace

std::string BuildAxisFileText(const AxisTable& table, int virtualAxes, int realAxes,
                              std::span<const InputInversion> inversions)
{
    std::string text = FormatCommand("GLOBAL ENABLE_OUT(%d)\r\n", virtualAxes);
    text += FormatCommand("GLOBAL CLEAR_OUT(%d)\r\n", virtualAxes);
    for (int axis = 0; axis < std::clamp(realAxes, 0, kAxisCount); ++axis)
        AppendBlock(text, table, axis);
    for (const InputInversion& inversion : inversions)
        text += FormatCommand("INVERT_IN(%d,%d)\r\n", inversion.input, inversion.value);
    return text;
}

std::optional<std::vector<InputInversion>> ReadInputInversions(AxisPort& port, int localInputs)
{
    std::vector<InputInversion> inversions;
    const auto read = [&](int input) {
        const std::optional<int> value = port.invertIn(input);
        if (value && *value != 0)
            inversions.push_back({input, *value});
        return value.has_value();
    };
    for (int input = 0; input < localInputs; ++input)
        if (!read(input))
            return std::nullopt;
    for (const ChildCardInputs& card : port.childCards())
        for (int input = 0; input < card.inputCount; ++input)
            if (!read(card.firstInput + input))
                return std::nullopt;
    return inversions;
}

bool ExportAxisFile(AxisPort& port, const AxisTable& table, const std::filesystem::path& path,
                    int language, FileMessages& messages)
{
    const std::optional<ControllerCounts> counts = port.specification();
    if (!counts)
        return false;
    // The folder must take the file before the controller is asked anything.
    std::error_code error;
    const std::filesystem::path folder =
        path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    if (path.empty() || !std::filesystem::is_directory(folder, error) ||
        ::access(folder.c_str(), W_OK) != 0) {
        messages.inform(FileOpenFailed(language));
        return false;
    }
    const std::optional<std::vector<InputInversion>> inversions =
        ReadInputInversions(port, counts->localInputs);
    if (!inversions)
        return false;
    const std::string text =
        BuildAxisFileText(table, counts->virtualAxes, counts->realAxes, *inversions);
    if (platform::replaceFileContent(path, text, platform::AtSymlink::WriteTarget)) {
        // A full disk or a lost folder: the old file is still there, the new one is not.
        messages.inform(FileOpenFailed(language));
        return false;
    }
    return true;
}

std::string AxisFileToProfileText(std::string_view bytes)
{
    std::string text(bytes.substr(0, bytes.find('\0')));
    ReplaceAll(text, "BASE(", "[AXIS");
    ReplaceAll(text, ")'", "]");
    return text;
}

bool ParseAxisFile(std::string_view bytes, int axes, const std::filesystem::path& scratch,
                   AxisTable& table)
{
    const ScratchFile removal{scratch};
    if (!WriteScratch(scratch, AxisFileToProfileText(bytes)))
        return false;
    // Read once: thousands of keys, one file.
    const platform::ProfileSnapshot profile(scratch);
    for (int axis = 0; axis < std::clamp(axes, 0, kAxisCount); ++axis) {
        const std::string section = FormatCommand("AXIS%d", axis);
        for (const auto& keys :
             {std::span<const BlockKey>(kParameterKeys), std::span<const BlockKey>(kRatioKeys)})
            for (const BlockKey& key : keys)
                table.set(key.row, axis, ReadKey(profile, section, key.key, key.real));
        table.set(AxisRow::EnableOut, axis,
                  ReadKey(profile, section, FormatCommand("ENABLE_OUT(%d)", axis), false));
        table.set(AxisRow::ClearOut, axis,
                  ReadKey(profile, section, FormatCommand("CLEAR_OUT(%d)", axis), false));
    }
    return true;
}

void ImportAxisFile(AxisPort& port, AxisTable& table, const std::filesystem::path& path,
                    const std::filesystem::path& scratch, int language, FileMessages& messages)
{
    const std::optional<ControllerCounts> counts = port.specification();
    if (!counts)
        return;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        messages.inform(FileOpenFailed(language));
        return;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (!ParseAxisFile(content.str(), counts->realAxes, scratch, table))
        messages.inform(FileOpenFailed(language));
}

} // namespace korvan::axis
