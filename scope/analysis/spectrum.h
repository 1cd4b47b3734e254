// The magnitude spectrum of one channel: a Hann window over the samples, a
// real FFT (FFTW) and the amplitude of each bin in dB, scaled so that a sine
// of amplitude A shows 20·log10(A) at its frequency.
#pragma once

#include <span>
#include <vector>

namespace korvan::scope {

struct Spectrum
{
    double binWidth = 0.0;        ///< Hz between bins (per sample when the time base is unknown)
    std::vector<double> decibels; ///< bins 0 to n / 2

    bool empty() const { return decibels.empty(); }
    double frequency(std::size_t bin) const { return binWidth * static_cast<double>(bin); }
};

struct SpectrumPeak
{
    double frequency = 0.0; ///< refined between bins
    double decibels = 0.0;
};

/// Most samples a spectrum takes; a longer range is cut to its newest samples.
inline constexpr std::size_t kMaxSpectrumSamples = std::size_t{1} << 22;
/// Floor of the magnitude so that silent bins stay finite.
inline constexpr double kSpectrumFloorDb = -200.0;

/// The spectrum of values, unit seconds apart (1 counts in samples). The mean
/// is removed first, so the DC bin does not bury low frequencies. Fewer than
/// 4 finite samples give an empty spectrum; non-finite samples count as the mean.
Spectrum computeSpectrum(std::span<const float> values, double unit);

/// The frequency span worth showing: up to the highest bin within belowPeakDb
/// of the strongest one, rounded up to a readable value, at most the Nyquist frequency.
double spectrumSpan(const Spectrum& spectrum, double belowPeakDb = 60.0);

/// The strongest bin above DC, its frequency refined by a parabola through its neighbours.
SpectrumPeak strongestPeak(const Spectrum& spectrum);

} // namespace korvan::scope
