#include "cmdlib/value_file.h"

#include "cmdlib/error_codes.h"

#include <cstdio>
#include <cstring>
#include <memory>

KORVAN_CMD_BEGIN

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File openFile(const char* path, const char* mode)
{
    return File(path ? std::fopen(path, mode) : nullptr, &std::fclose);
}

template <typename T> int writeValues(const char* path, const T* values, int count)
{
    static_assert(sizeof(T) == 4);
    if (count < 0 || (count > 0 && !values))
        return kErrInvalidArgument;
    File file = openFile(path, "wb");
    if (!file)
        return kErrFileOpen;
    const auto n = static_cast<std::size_t>(count);
    if (n > 0 && std::fwrite(values, sizeof(T), n, file.get()) != n)
        return kErrFileShort;
    // A full disk may only show when the buffered bytes are flushed.
    if (std::fclose(file.release()) != 0)
        return kErrFileShort;
    return kOk;
}

template <typename T> int readValues(const char* path, std::vector<T>& values)
{
    static_assert(sizeof(T) == 4);
    values.clear();
    File file = openFile(path, "rb");
    if (!file)
        return kErrFileOpen;
    std::vector<unsigned char> bytes;
    unsigned char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    if (std::ferror(file.get()) || bytes.size() % sizeof(T) != 0)
        return kErrFileShort;
    values.resize(bytes.size() / sizeof(T));
    if (!bytes.empty())
        std::memcpy(values.data(), bytes.data(), bytes.size());
    return kOk;
}

} // namespace

int WriteValueFile(const char* path, const float* values, int count)
{
    return writeValues(path, values, count);
}

int WriteValueFile(const char* path, const int32_t* values, int count)
{
    return writeValues(path, values, count);
}

int ReadValueFile(const char* path, std::vector<float>& values)
{
    return readValues(path, values);
}

int ReadValueFile(const char* path, std::vector<int32_t>& values)
{
    return readValues(path, values);
}

KORVAN_CMD_END
