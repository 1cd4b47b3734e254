// Paints the oscilloscope display into an off-screen image in layers:
// background and frame, grid, labels, traces. Each layer gets one small frame
// value with the size, mid lines and view.
#pragma once

#include "scope/analysis/sample_envelope.h"
#include "scope/core/scope_geometry.h"
#include "scope/core/scope_record.h"
#include "scope/core/scope_settings.h"

#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>

#include <array>

namespace korvan::scope {

/// What one paint needs: the display's copies of settings and the record.
struct RenderInput
{
    const ScopeRecord* record = nullptr;
    ScopeView view;
    int depth = 1000;
    int displayType = 0;
    bool continuous = false; ///< the parent's continuous acquisition flag
    ColorValue background = 0;
    std::array<ColorValue, kMaxChannels> colors = kDefaultChannelColors;
    std::array<float, kMaxChannels> offsets{};
    std::array<float, kMaxChannels> scales{1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000};
    std::array<bool, kMaxChannels> shown{true, true, true, true, true, true, true, true};
    /// Block extremes that spare line mode a pass over long columns; brought up
    /// to the record at each paint. None: every column is scanned.
    SampleEnvelope* envelope = nullptr;
};

/// The grey of frame, grid and grid numbers.
inline constexpr ColorValue kGridGrey = colorValue(88, 88, 88);

class ScopeRenderer
{
public:
    /// Rebuilds the whole picture in image (Format_RGB32).
    static void paint(QImage& image, const RenderInput& input);
    /// The same picture through any painter (an SVG file), traces as one path per channel.
    static void paintVector(QPainter& painter, QSize size, const RenderInput& input);
    /// The label line's texts: "%d %s", "Min:%.2f", "Max:%.2f" (or "%d" alone when folded).
    static std::array<QString, 3> labelTexts(int channel, const ChannelTrace& trace, bool expanded);
};

} // namespace korvan::scope
