#include "acquisition/AdaptiveRefinement.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kest {
namespace {

float ValueOf(const std::vector<float>& values, std::size_t e) { return e < values.size() ? values[e] : 0.0f; }

// A value that stands out of its noise and the tolerance, or 0.
double Significant(double value, double sigma, const RefinementRule& rule) {
    return value > std::max<double>(rule.tolerance, rule.sigmas * sigma) ? value : 0.0;
}

// The curvature estimate of the interval [b, c] (lengths > 0) from the triple a, b, c of
// element e: |f[a, b, c]| h^2 / 4 with h the length of the interval [lo, hi] it is asked for.
double CurvatureError(const ProfileSample& a, const ProfileSample& b, const ProfileSample& c, std::size_t e,
                      double h, const RefinementRule& rule) {
    const double xa = static_cast<double>(a.position), xb = static_cast<double>(b.position),
                 xc = static_cast<double>(c.position);
    // f[a, b, c] = sum of w_j f_j with these weights; its variance the sum of (w_j sigma_j)^2.
    const double wa = 1.0 / ((xa - xb) * (xa - xc)), wb = 1.0 / ((xb - xa) * (xb - xc)),
                 wc = 1.0 / ((xc - xa) * (xc - xb));
    const double divided = wa * ValueOf(a.conc, e) + wb * ValueOf(b.conc, e) + wc * ValueOf(c.conc, e);
    const double sigma = std::hypot(wa * ValueOf(a.sigma, e), wb * ValueOf(b.sigma, e), wc * ValueOf(c.sigma, e));
    const double scale = h * h / 4.0;
    return Significant(std::abs(divided) * scale, sigma * scale, rule);
}

}  // namespace

float ChangeThreshold(float dConc, int sigmas, float sigma1, float sigma2) {
    if (sigmas <= 0) return dConc;
    return std::max(dConc, static_cast<float>(sigmas * std::hypot(double{sigma1}, double{sigma2})));
}

double IntervalLoss(const std::vector<ProfileSample>& samples, std::size_t i, const RefinementRule& rule) {
    if (i + 1 >= samples.size()) return 0.0;
    const ProfileSample& lo = samples[i];
    const ProfileSample& hi = samples[i + 1];
    const double h = static_cast<double>(hi.position - lo.position);
    if (h <= static_cast<double>(std::llabs(rule.stepMin)) || h < 2.0) return 0.0;  // it cannot be split
    const bool left = i > 0, right = i + 2 < samples.size();
    double loss = 0.0;
    for (std::size_t e = 0; e < lo.conc.size(); ++e) {
        const double change = Significant(std::abs(double{ValueOf(hi.conc, e)} - ValueOf(lo.conc, e)),
                                          std::hypot(double{ValueOf(lo.sigma, e)}, double{ValueOf(hi.sigma, e)}), rule);
        // With no neighbour on either side the change alone says how far the chord may be off.
        double curvature = left || right ? 0.0 : change;
        if (left) curvature = std::max(curvature, CurvatureError(samples[i - 1], lo, hi, e, h, rule));
        if (right) curvature = std::max(curvature, CurvatureError(lo, hi, samples[i + 2], e, h, rule));
        loss = std::max(loss, std::min(change, curvature));
    }
    return loss;
}

std::vector<int64_t> NextMidpoints(const std::vector<ProfileSample>& samples, const RefinementRule& rule,
                                   std::size_t most, int64_t stageAt) {
    std::vector<std::pair<double, std::size_t>> losses;  // (loss, interval)
    for (std::size_t i = 0; i + 1 < samples.size(); ++i)
        if (const double loss = IntervalLoss(samples, i, rule); loss > 0.0) losses.emplace_back(loss, i);
    std::stable_sort(losses.begin(), losses.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::size_t> chosen;
    for (const auto& [loss, i] : losses) {
        if (chosen.size() >= most) break;
        const bool neighbour = std::any_of(chosen.begin(), chosen.end(), [i = i](std::size_t c) { return c + 1 == i || i + 1 == c; });
        if (!neighbour) chosen.push_back(i);
    }
    std::sort(chosen.begin(), chosen.end());
    std::vector<int64_t> midpoints;
    for (const std::size_t i : chosen) {
        const double middle = (static_cast<double>(samples[i].position) + static_cast<double>(samples[i + 1].position)) / 2.0;
        midpoints.push_back(static_cast<int64_t>(std::nearbyint(middle)));  // halves to the even neighbour
    }
    // From the end nearer the stage, so that it passes them once.
    if (!midpoints.empty() && std::llabs(midpoints.back() - stageAt) < std::llabs(midpoints.front() - stageAt))
        std::reverse(midpoints.begin(), midpoints.end());
    return midpoints;
}

int64_t MostSplits(int64_t length, int64_t stepMin) {
    length = std::llabs(length);
    stepMin = std::max<int64_t>(1, std::llabs(stepMin));
    int64_t pieces = 1;
    for (int64_t piece = length; piece > stepMin && pieces < (int64_t{1} << 40); piece = (piece + 1) / 2) pieces *= 2;
    return std::min(pieces - 1, std::max<int64_t>(0, length - 1));
}

}  // namespace kest
