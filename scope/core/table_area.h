// Where the capture area lies in the controller's TABLE array, and the checks
// the settings dialog and Start make on it.
#pragma once

#include <cstdint>

namespace korvan::scope {

/// TSIZE − count × depth, or 0 when that is negative: the area at the end of TABLE.
constexpr int tableStartAtEnd(int tableSize, int count, int depth)
{
    const std::int64_t start =
        static_cast<std::int64_t>(tableSize) - static_cast<std::int64_t>(count) * depth;
    return start < 0 ? 0 : static_cast<int>(start);
}

/// True when count × depth samples from start fit below tableSize.
constexpr bool captureAreaFits(int tableSize, int start, int count, int depth)
{
    return static_cast<std::int64_t>(start) + static_cast<std::int64_t>(count) * depth <= tableSize;
}

enum class DialogCheck
{
    Accept,           ///< close the dialog
    OutOfRange,       ///< "超出数组范围！", keep the dialog open
    AcceptWithWarning ///< "深度小于1000可能会对波形有一定的影响。", then close
};

/// The settings dialog's OK check once TSIZE has been read.
constexpr DialogCheck checkDialog(int tableSize, bool useEnd, int tableStart, int depth, int count,
                                  bool continuous)
{
    const int base = useEnd ? 0 : tableStart;
    if (!captureAreaFits(tableSize, base, count, depth))
        return DialogCheck::OutOfRange;
    if (depth < 1000 && continuous)
        return DialogCheck::AcceptWithWarning;
    return DialogCheck::Accept;
}

} // namespace korvan::scope
