#include "link/krx/krx.h"

#include <array>
#include <set>

namespace korvan::link::krx {

namespace {

constexpr std::size_t kFixedHeader = 4 + 2 + 2 + 4; // magic, version, file count, data size

std::array<uint32_t, 256> makeCrcTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) ? 0xEDB88320u ^ (value >> 1) : value >> 1;
        table[i] = value;
    }
    return table;
}

class Writer
{
public:
    void u16(uint16_t value)
    {
        m_bytes.push_back(static_cast<uint8_t>(value));
        m_bytes.push_back(static_cast<uint8_t>(value >> 8));
    }
    void u32(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void text(std::string_view text)
    {
        u16(static_cast<uint16_t>(text.size()));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    }
    void raw(std::span<const uint8_t> bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }
    std::vector<uint8_t>& bytes() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

// Reads fields in order; a read past the end marks the package truncated.
class Reader
{
public:
    explicit Reader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    bool has(std::size_t count) const { return m_bytes.size() - m_offset >= count; }
    uint16_t u16()
    {
        const uint8_t* at = take(2);
        return at ? static_cast<uint16_t>(at[0] | at[1] << 8) : 0;
    }
    uint32_t u32()
    {
        const uint8_t* at = take(4);
        if (!at)
            return 0;
        return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
               static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
    }
    std::span<const uint8_t> bytes(std::size_t count)
    {
        const uint8_t* at = take(count);
        return at ? std::span<const uint8_t>(at, count) : std::span<const uint8_t>();
    }
    bool truncated() const { return m_truncated; }
    std::size_t offset() const { return m_offset; }

private:
    const uint8_t* take(std::size_t count)
    {
        if (m_truncated || !has(count)) {
            m_truncated = true;
            return nullptr;
        }
        const uint8_t* at = m_bytes.data() + m_offset;
        m_offset += count;
        return at;
    }

    std::span<const uint8_t> m_bytes;
    std::size_t m_offset = 0;
    bool m_truncated = false;
};

// The controller does not tell letter case apart in file names, so neither
// may a package: names are compared in this form.
std::string foldedName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

} // namespace

bool isSafeProjectName(std::string_view name)
{
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return name.size() <= kMaxNameLength;
}

std::string_view errorText(KrxError error)
{
    switch (error) {
    case KrxError::None:
        return "no error";
    case KrxError::BadMagic:
        return "not a krx package";
    case KrxError::UnsupportedVersion:
        return "unsupported krx version";
    case KrxError::Truncated:
        return "truncated krx package";
    case KrxError::BadManifest:
        return "inconsistent krx manifest";
    case KrxError::TooLarge:
        return "krx package too large";
    case KrxError::BadName:
        return "file name leaves the package";
    case KrxError::DuplicateName:
        return "duplicate file name";
    case KrxError::ChecksumMismatch:
        return "krx checksum mismatch";
    case KrxError::TrailingData:
        return "data after the krx checksum";
    }
    return "unknown krx error";
}

bool isSafeName(std::string_view name)
{
    if (name.empty() || name.size() > kMaxNameLength || name.front() == '/')
        return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '\\' || c == ':')
            return false;
    // Every '/'-separated part must be a plain name.
    std::size_t begin = 0;
    while (begin <= name.size()) {
        const std::size_t end = std::min(name.find('/', begin), name.size());
        const std::string_view part = name.substr(begin, end - begin);
        if (part.empty() || part == "." || part == "..")
            return false;
        begin = end + 1;
    }
    return true;
}

uint32_t crc32(std::span<const uint8_t> bytes)
{
    static const std::array<uint32_t, 256> table = makeCrcTable();
    uint32_t crc = 0xFFFFFFFFu;
    for (const uint8_t byte : bytes)
        crc = table[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

WriteResult writeKrx(const KrxPackage& package)
{
    if (package.files.size() > kMaxFiles)
        return {KrxError::TooLarge, {}};
    if (!isSafeProjectName(package.project))
        return {KrxError::BadName, {}};
    std::set<std::string> names;
    std::size_t dataSize = 0;
    for (const KrxFile& file : package.files) {
        if (!isSafeName(file.name))
            return {KrxError::BadName, {}};
        if (!names.insert(foldedName(file.name)).second)
            return {KrxError::DuplicateName, {}};
        dataSize += file.data.size();
        if (dataSize > kMaxPackageSize)
            return {KrxError::TooLarge, {}};
    }
    Writer out;
    out.u32(kMagic);
    out.u16(kVersion);
    out.u16(static_cast<uint16_t>(package.files.size()));
    out.u32(static_cast<uint32_t>(dataSize));
    out.text(package.project);
    for (const KrxFile& file : package.files) {
        out.text(file.name);
        out.u32(static_cast<uint32_t>(file.data.size()));
    }
    for (const KrxFile& file : package.files)
        out.raw(file.data);
    if (out.bytes().size() + 4 > kMaxPackageSize)
        return {KrxError::TooLarge, {}};
    out.u32(crc32(out.bytes()));
    return {KrxError::None, std::move(out.bytes())};
}

ReadResult readKrx(std::span<const uint8_t> bytes)
{
    if (bytes.size() > kMaxPackageSize)
        return {KrxError::TooLarge, {}};
    Reader in(bytes);
    if (in.u32() != kMagic)
        return {in.truncated() ? KrxError::Truncated : KrxError::BadMagic, {}};
    const uint16_t version = in.u16();
    const uint16_t fileCount = in.u16();
    const uint32_t dataSize = in.u32();
    if (in.truncated())
        return {KrxError::Truncated, {}};
    if (version != kVersion)
        return {KrxError::UnsupportedVersion, {}};
    if (fileCount > kMaxFiles || dataSize > kMaxPackageSize)
        return {KrxError::TooLarge, {}};

    ReadResult result;
    const uint16_t projectLength = in.u16();
    if (projectLength > kMaxNameLength)
        return {KrxError::TooLarge, {}};
    const auto project = in.bytes(projectLength);
    result.package.project.assign(project.begin(), project.end());
    if (!in.truncated() && !isSafeProjectName(result.package.project))
        return {KrxError::BadName, {}};
    std::vector<uint32_t> sizes;
    uint64_t sizeSum = 0;
    std::set<std::string> names;
    for (uint16_t i = 0; i < fileCount; ++i) {
        const uint16_t nameLength = in.u16();
        if (nameLength > kMaxNameLength)
            return {KrxError::TooLarge, {}};
        const auto name = in.bytes(nameLength);
        const uint32_t size = in.u32();
        if (in.truncated())
            return {KrxError::Truncated, {}};
        KrxFile& file = result.package.files.emplace_back();
        file.name.assign(name.begin(), name.end());
        if (!isSafeName(file.name))
            return {KrxError::BadName, {}};
        if (!names.insert(foldedName(file.name)).second)
            return {KrxError::DuplicateName, {}};
        sizes.push_back(size);
        sizeSum += size;
    }
    if (in.truncated())
        return {KrxError::Truncated, {}};
    if (sizeSum != dataSize)
        return {KrxError::BadManifest, {}};
    // Sizes are checked against the bytes present before anything is copied.
    if (!in.has(std::size_t{dataSize} + 4))
        return {KrxError::Truncated, {}};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const auto data = in.bytes(sizes[i]);
        result.package.files[i].data.assign(data.begin(), data.end());
    }
    const std::size_t checked = in.offset();
    const uint32_t stored = in.u32();
    if (in.truncated())
        return {KrxError::Truncated, {}};
    if (in.offset() != bytes.size())
        return {KrxError::TrailingData, {}};
    if (crc32(bytes.first(checked)) != stored)
        return {KrxError::ChecksumMismatch, {}};
    return result;
}

} // namespace korvan::link::krx
