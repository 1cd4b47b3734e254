// Paints a channel's spectrum: magnitude in dB against frequency, with a
// labelled grid and the strongest peak marked.
#pragma once

#include "scope/analysis/spectrum.h"
#include "scope/core/scope_settings.h"

#include <QPainter>
#include <QSize>
#include <QString>

namespace korvan::scope {

struct SpectrumPlotInput
{
    const Spectrum* spectrum = nullptr;
    bool hertz = true; ///< false: frequencies are per sample
    ColorValue color = kDefaultChannelColors[0];
    QString title;           ///< the channel's label
    double rangeDb = 120;    ///< dB shown below the top line
    double maxFrequency = 0; ///< right end of the plot; 0 or beyond Nyquist: Nyquist
};

/// The right end of the plot: maxFrequency held to the spectrum's Nyquist frequency.
double spectrumPlotSpan(const SpectrumPlotInput& input);

/// The plot area inside size (left margin for dB labels, bottom for frequencies).
QRect spectrumPlotArea(QSize size);
/// Frequency at x inside the plot area.
double spectrumFrequencyAt(const SpectrumPlotInput& input, QSize size, int x);

void paintSpectrum(QPainter& painter, QSize size, const SpectrumPlotInput& input);

} // namespace korvan::scope
