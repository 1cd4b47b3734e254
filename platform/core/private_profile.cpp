#include "platform/core/private_profile.h"

#include "platform/core/file_replace.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

namespace korvan::platform {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// One line of the file, classified once so that reads and writes agree.
struct Line
{
    enum class Kind
    {
        Other,
        Section,
        Key
    };
    Kind kind = Kind::Other;
    std::string text;  // the line without its line end
    std::string name;  // section or key name, trimmed
    std::string value; // trimmed
};

struct Document
{
    std::string byteOrderMark;
    // A new file gets the line ends of the Windows profile functions.
    std::string lineEnd = "\r\n";
    bool endsWithLineEnd = true;
    std::vector<Line> lines;
};

void classify(Line& line)
{
    const std::string_view text = trimmed(line.text);
    if (text.empty() || text.front() == ';')
        return;
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close != std::string_view::npos) {
            line.kind = Line::Kind::Section;
            line.name = std::string(trimmed(text.substr(1, close - 1)));
        }
        return;
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        return;
    line.kind = Line::Kind::Key;
    line.name = std::string(trimmed(text.substr(0, equals)));
    line.value = std::string(trimmed(text.substr(equals + 1)));
}

Document parse(std::string content)
{
    Document doc;
    if (content.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) {
        doc.byteOrderMark = kByteOrderMark;
        content.erase(0, kByteOrderMark.size());
    }
    // A line ends at CR LF, LF or a CR alone (files from old Mac tools); the
    // first line end tells how the file's new lines end.
    const std::size_t firstEnd = content.find_first_of("\r\n");
    if (firstEnd != std::string::npos)
        doc.lineEnd = content.compare(firstEnd, 2, "\r\n") == 0 ? "\r\n"
                      : content[firstEnd] == '\r'               ? "\r"
                                                                : "\n";
    doc.endsWithLineEnd = content.empty() || content.back() == '\n' || content.back() == '\r';
    std::size_t start = 0;
    while (start < content.size()) {
        auto end = content.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = content.size();
        Line line{Line::Kind::Other, content.substr(start, end - start), {}, {}};
        classify(line);
        doc.lines.push_back(std::move(line));
        start = end + (content.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return doc;
}

std::optional<Document> load(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return parse(content.str());
}

// Index range [begin, end) of the body of the first section with this name.
struct SectionRange
{
    std::size_t header;
    std::size_t end;
};

std::optional<SectionRange> findSection(const Document& doc, std::string_view section)
{
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const Line& line = doc.lines[i];
        if (line.kind != Line::Kind::Section || !sameName(line.name, trimmed(section)))
            continue;
        std::size_t end = i + 1;
        while (end < doc.lines.size() && doc.lines[end].kind != Line::Kind::Section)
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const Document& doc, const SectionRange& range,
                                   std::string_view key)
{
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const Line& line = doc.lines[i];
        if (line.kind == Line::Kind::Key && sameName(line.name, trimmed(key)))
            return i;
    }
    return std::nullopt;
}

const Line* findLine(const Document& doc, std::string_view section, std::string_view key)
{
    const auto range = findSection(doc, section);
    if (!range)
        return nullptr;
    const auto index = findKey(doc, *range, key);
    return index ? &doc.lines[*index] : nullptr;
}

// A value in one pair of matching quotes is read without them, as the
// Windows profile functions read it: key="  padded  " gives "  padded  ".
std::string_view unquoted(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// A default's trailing blanks are dropped, as the Windows profile functions do.
std::string_view withoutTrailingBlanks(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string cutToCapacity(std::string_view value, std::size_t capacity)
{
    if (capacity == 0)
        return {};
    if (value.size() < capacity)
        return std::string(value);
    std::size_t length = capacity - 1;
    // Step back over continuation bytes so no UTF-8 sequence is split.
    while (length > 0 && (static_cast<unsigned char>(value[length]) & 0xC0) == 0x80)
        --length;
    return std::string(value.substr(0, length));
}

bool save(const std::filesystem::path& path, const Document& doc)
{
    std::string content = doc.byteOrderMark;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        content += doc.lines[i].text;
        if (i + 1 < doc.lines.size() || doc.endsWithLineEnd)
            content += doc.lineEnd;
    }
    std::error_code error;
    if (path.has_parent_path())
        std::filesystem::create_directories(resolveSymlinks(path).parent_path(), error);
    // Through a symbolic link to its target, as the Windows functions write.
    return !replaceFileContent(path, content, AtSymlink::WriteTarget);
}

Line makeLine(std::string text)
{
    Line line{Line::Kind::Other, std::move(text), {}, {}};
    classify(line);
    return line;
}

} // namespace

PrivateProfile::PrivateProfile(std::filesystem::path file) : m_path(std::move(file)) {}

std::string PrivateProfile::readString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue, std::size_t capacity) const
{
    return ProfileSnapshot(m_path).readString(section, key, defaultValue, capacity);
}

struct ProfileSnapshot::Content
{
    std::optional<Document> doc;
};

ProfileSnapshot::ProfileSnapshot(const std::filesystem::path& file)
    : m_content(std::make_unique<const Content>(Content{load(file)}))
{}

ProfileSnapshot::~ProfileSnapshot() = default;

std::string ProfileSnapshot::readString(std::string_view section, std::string_view key,
                                        std::string_view defaultValue, std::size_t capacity) const
{
    const Line* line = m_content->doc ? findLine(*m_content->doc, section, key) : nullptr;
    return cutToCapacity(line ? unquoted(line->value) : withoutTrailingBlanks(defaultValue),
                         capacity);
}

int PrivateProfile::readInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const auto doc = load(m_path);
    const Line* line = doc ? findLine(*doc, section, key) : nullptr;
    if (!line)
        return defaultValue;
    const std::string value(unquoted(line->value));
    return static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
}

bool PrivateProfile::hasKey(std::string_view section, std::string_view key) const
{
    const auto doc = load(m_path);
    return doc && findLine(*doc, section, key) != nullptr;
}

std::vector<std::string> PrivateProfile::sectionNames() const
{
    std::vector<std::string> names;
    if (const auto doc = load(m_path)) {
        for (const Line& line : doc->lines)
            if (line.kind == Line::Kind::Section)
                names.emplace_back(line.name);
    }
    return names;
}

std::vector<std::string> PrivateProfile::keyNames(std::string_view section) const
{
    std::vector<std::string> names;
    const auto doc = load(m_path);
    if (!doc)
        return names;
    if (const auto range = findSection(*doc, section)) {
        for (std::size_t i = range->header + 1; i < range->end; ++i)
            if (doc->lines[i].kind == Line::Kind::Key)
                names.emplace_back(doc->lines[i].name);
    }
    return names;
}

bool PrivateProfile::writeString(std::string_view section, std::string_view key,
                                 std::string_view value)
{
    Document doc = load(m_path).value_or(Document{});
    std::string entry = std::string(trimmed(key)) + "=" + std::string(value);
    const auto range = findSection(doc, section);
    if (!range) {
        // Right after the last line, without a blank line, as Windows writes it.
        doc.lines.push_back(makeLine("[" + std::string(trimmed(section)) + "]"));
        doc.lines.push_back(makeLine(std::move(entry)));
        doc.endsWithLineEnd = true;
    } else if (const auto index = findKey(doc, *range, key)) {
        doc.lines[*index] = makeLine(std::move(entry));
    } else {
        // After the section's last non-blank line, so blank separators stay
        // between sections.
        std::size_t insertAt = range->end;
        while (insertAt > range->header + 1 && trimmed(doc.lines[insertAt - 1].text).empty())
            --insertAt;
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                         makeLine(std::move(entry)));
        if (insertAt == doc.lines.size() - 1)
            doc.endsWithLineEnd = true;
    }
    return save(m_path, doc);
}

bool PrivateProfile::removeKey(std::string_view section, std::string_view key)
{
    auto doc = load(m_path);
    if (!doc)
        return true;
    const auto range = findSection(*doc, section);
    if (!range)
        return true;
    const auto index = findKey(*doc, *range, key);
    if (!index)
        return true;
    doc->lines.erase(doc->lines.begin() + static_cast<std::ptrdiff_t>(*index));
    return save(m_path, *doc);
}

bool PrivateProfile::removeSection(std::string_view section)
{
    auto doc = load(m_path);
    if (!doc)
        return true;
    const auto range = findSection(*doc, section);
    if (!range)
        return true;
    doc->lines.erase(doc->lines.begin() + static_cast<std::ptrdiff_t>(range->header),
                     doc->lines.begin() + static_cast<std::ptrdiff_t>(range->end));
    return save(m_path, *doc);
}

} // namespace korvan::platform
