// The .krx program package: a manifest (project name, file names and sizes)
// followed by the program files and a CRC-32, as docs/krx-format.md
// describes. The reader trusts nothing: every name stays inside the package
// and every size is checked against the bytes present before use.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvan::link::krx {

inline constexpr uint32_t kMagic = 0x1A58524B; // "KRX\x1A"
inline constexpr uint16_t kVersion = 1;
inline constexpr std::size_t kMaxFiles = 256;
inline constexpr std::size_t kMaxNameLength = 255;
inline constexpr std::size_t kMaxPackageSize = 16u * 1024u * 1024u;

struct KrxFile
{
    std::string name; // relative, '/'-separated
    std::vector<uint8_t> data;
};

struct KrxPackage
{
    std::string project;
    std::vector<KrxFile> files;
};

enum class KrxError
{
    None,
    BadMagic,           // not a package
    UnsupportedVersion, // a package of another format version
    Truncated,          // fewer bytes than the manifest announces
    BadManifest,        // the file sizes do not add up to the data size
    TooLarge,           // more files, longer names or more bytes than allowed
    BadName,            // empty, absolute, "..", NUL, backslash or control character
    DuplicateName,      // two files of one name, letter case aside
    ChecksumMismatch,   // the CRC-32 does not match
    TrailingData        // bytes after the checksum
};

/// A short English text for the error.
std::string_view errorText(KrxError error);
/// True for a file name the reader accepts.
bool isSafeName(std::string_view name);
/// True for a project name the reader accepts: no control character, at most 255 bytes.
bool isSafeProjectName(std::string_view name);
/// CRC-32 (IEEE 802.3) of the bytes.
uint32_t crc32(std::span<const uint8_t> bytes);

struct WriteResult
{
    KrxError error = KrxError::None;
    std::vector<uint8_t> bytes;
};
/// Encodes a package; refuses what the reader would refuse.
WriteResult writeKrx(const KrxPackage& package);

struct ReadResult
{
    KrxError error = KrxError::None;
    KrxPackage package;
};
/// Decodes and checks a package.
ReadResult readKrx(std::span<const uint8_t> bytes);

} // namespace korvan::link::krx
