#include "scope/ui/spectrum_view.h"

#include "scope/analysis/units.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace korvan::scope {

// The plot area; it paints through its parent's input.
class CSpectrumView::Plot final : public QWidget
{
public:
    explicit Plot(CSpectrumView& view) : QWidget(&view), m_view(view)
    {
        setMouseTracking(true);
        setMinimumSize(320, 200);
    }

protected:
    void paintEvent(QPaintEvent*) final
    {
        QPainter p(this);
        paintSpectrum(p, size(), m_view.m_input);
    }
    void mouseMoveEvent(QMouseEvent* event) final
    {
        const Spectrum& s = m_view.m_spectrum;
        if (s.empty())
            return;
        const double f =
            spectrumFrequencyAt(m_view.m_input, size(), event->position().toPoint().x());
        const auto bin =
            std::min(static_cast<std::size_t>(std::lround(f / s.binWidth)), s.decibels.size() - 1);
        m_view.m_status->setText(
            QStringLiteral("%1: %2 dB")
                .arg(QString::fromStdString(
                    formatFrequency(TimeBase{m_view.m_input.hertz ? 1.0 : 0.0}, s.frequency(bin))))
                .arg(s.decibels[bin], 0, 'f', 1));
    }

    // The wheel narrows or widens the frequency span, from the left end.
    void wheelEvent(QWheelEvent* event) final
    {
        const Spectrum& s = m_view.m_spectrum;
        const int notches = event->angleDelta().y();
        if (s.empty() || notches == 0)
            return;
        const double nyquist = s.frequency(s.decibels.size() - 1);
        const double span = spectrumPlotSpan(m_view.m_input) * std::pow(1.25, -notches / 120.0);
        m_view.m_input.maxFrequency = std::clamp(span, std::min(nyquist, 8 * s.binWidth), nyquist);
        update();
    }

private:
    CSpectrumView& m_view;
};

CSpectrumView::CSpectrumView(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Spectrum"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_plot = new Plot(*this);
    layout->addWidget(m_plot, 1);
    m_status = new QLabel(this);
    layout->addWidget(m_status);
    resize(720, 420);
}

void CSpectrumView::setSpectrum(Spectrum spectrum, const QString& title, bool hertz,
                                ColorValue color)
{
    m_spectrum = std::move(spectrum);
    m_input.spectrum = &m_spectrum;
    m_input.title = title;
    m_input.hertz = hertz;
    m_input.color = color;
    m_input.maxFrequency = spectrumSpan(m_spectrum);
    setWindowTitle(QStringLiteral("Spectrum: %1").arg(title));
    if (m_spectrum.empty()) {
        m_status->setText(QStringLiteral("Too few samples for a spectrum"));
    } else {
        const SpectrumPeak peak = strongestPeak(m_spectrum);
        m_status->setText(QStringLiteral("Peak %1 at %2 dB; %3 bins of %4")
                              .arg(QString::fromStdString(
                                  formatFrequency(TimeBase{hertz ? 1.0 : 0.0}, peak.frequency)))
                              .arg(peak.decibels, 0, 'f', 1)
                              .arg(m_spectrum.decibels.size())
                              .arg(QString::fromStdString(formatFrequency(
                                  TimeBase{hertz ? 1.0 : 0.0}, m_spectrum.binWidth))));
    }
    m_plot->update();
}

QString CSpectrumView::statusText() const
{
    return m_status->text();
}

} // namespace korvan::scope
