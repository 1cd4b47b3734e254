// The spectrum window: one channel's magnitude in dB against frequency, with
// the frequency and level under the mouse pointer in its status line.
#pragma once

#include "scope/render/spectrum_plot.h"

#include <QWidget>

class QLabel;

namespace korvan::scope {

class CSpectrumView final : public QWidget
{
    Q_OBJECT
public:
    explicit CSpectrumView(QWidget* parent = nullptr);

    /// Shows a new spectrum of the channel called title.
    void setSpectrum(Spectrum spectrum, const QString& title, bool hertz, ColorValue color);
    const Spectrum& spectrum() const { return m_spectrum; }
    /// The frequency at the plot's right end (the wheel changes it).
    double span() const { return spectrumPlotSpan(m_input); }
    /// The status line's text.
    QString statusText() const;

private:
    class Plot;
    Spectrum m_spectrum;
    SpectrumPlotInput m_input;
    QWidget* m_plot = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace korvan::scope
