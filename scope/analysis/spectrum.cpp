#include "scope/analysis/spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace korvan::scope {
namespace {

struct FftwFree
{
    void operator()(void* p) const { fftw_free(p); }
};
struct PlanDestroy
{
    void operator()(fftw_plan_s* p) const { fftw_destroy_plan(p); }
};

} // namespace

Spectrum computeSpectrum(std::span<const float> values, double unit)
{
    Spectrum spectrum;
    if (values.size() > kMaxSpectrumSamples)
        values = values.last(kMaxSpectrumSamples);
    double sum = 0.0;
    std::size_t finite = 0;
    for (const float v : values)
        if (std::isfinite(v)) {
            sum += v;
            ++finite;
        }
    if (finite < 4 || !(unit > 0.0))
        return spectrum;
    const double mean = sum / static_cast<double>(finite);
    const std::size_t n = values.size();
    const std::size_t bins = n / 2 + 1;

    std::unique_ptr<double, FftwFree> in(fftw_alloc_real(n));
    std::unique_ptr<fftw_complex, FftwFree> out(fftw_alloc_complex(bins));
    if (!in || !out)
        return spectrum;
    // Plan before filling: FFTW_ESTIMATE leaves the input alone, and an
    // estimated plan costs nothing measurable next to the transform.
    const std::unique_ptr<fftw_plan_s, PlanDestroy> plan(fftw_plan_dft_r2c_1d(
        static_cast<int>(n), in.get(), out.get(), FFTW_ESTIMATE | FFTW_DESTROY_INPUT));
    if (!plan)
        return spectrum;
    double windowSum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                              static_cast<double>(n));
        windowSum += w;
        const double v = std::isfinite(values[i]) ? values[i] - mean : 0.0;
        in.get()[i] = v * w;
    }
    fftw_execute(plan.get());

    spectrum.binWidth = 1.0 / (static_cast<double>(n) * unit);
    spectrum.decibels.resize(bins);
    for (std::size_t k = 0; k < bins; ++k) {
        const double re = out.get()[k][0], im = out.get()[k][1];
        // One-sided amplitude: the energy of the negative frequencies is folded in,
        // except at DC and, for even n, at the Nyquist bin.
        const bool single = k == 0 || (n % 2 == 0 && k == n / 2);
        const double amplitude = std::hypot(re, im) * (single ? 1.0 : 2.0) / windowSum;
        spectrum.decibels[k] = amplitude > 0.0
                                   ? std::max(kSpectrumFloorDb, 20.0 * std::log10(amplitude))
                                   : kSpectrumFloorDb;
    }
    return spectrum;
}

double spectrumSpan(const Spectrum& spectrum, double belowPeakDb)
{
    const auto& db = spectrum.decibels;
    if (db.size() < 2)
        return 0.0;
    const double nyquist = spectrum.frequency(db.size() - 1);
    const double threshold = strongestPeak(spectrum).decibels - belowPeakDb;
    std::size_t last = 1;
    for (std::size_t k = db.size() - 1; k > 0; --k)
        if (db[k] >= threshold) {
            last = k;
            break;
        }
    // A little room right of the last line, then the next step of 1, 2 or 5.
    const double wanted = spectrum.frequency(last + 1) * 1.1;
    const double decade = std::pow(10.0, std::floor(std::log10(wanted)));
    double span = nyquist;
    for (const double step : {1.0, 2.0, 5.0, 10.0})
        if (step * decade >= wanted) {
            span = step * decade;
            break;
        }
    return std::min(span, nyquist);
}

SpectrumPeak strongestPeak(const Spectrum& spectrum)
{
    const auto& db = spectrum.decibels;
    if (db.size() < 2)
        return {};
    const auto best =
        static_cast<std::size_t>(std::max_element(db.begin() + 1, db.end()) - db.begin());
    double offset = 0.0;
    if (best > 1 && best + 1 < db.size()) {
        const double a = db[best - 1], b = db[best], c = db[best + 1];
        const double curvature = a - 2.0 * b + c;
        if (curvature < 0.0)
            offset = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
    }
    return {spectrum.frequency(best) + offset * spectrum.binWidth, db[best]};
}

} // namespace korvan::scope
