#pragma once
// Where a zone's next points are worth most: plain functions of the points measured so far.
//
// A change of concentration between two counted points is the specimen's only when it stands
// out of the counting noise: beyond k standard deviations of the difference,
// sqrt(sigma1^2 + sigma2^2) (k = the registry's NoiseSigmas; 0 takes every change).
//
// An adaptive zone walks its length at step max, then splits the intervals between its points
// where the straight line between two neighbours misses the profile most, until every
// interval is within the tolerance or no longer than step min. Two estimates of an interval's
// largest interpolation error, per element, after the curvature loss of adaptive sampling
// (B. Nijholt, J. Weston, J. Hoofwijk, A. Akhmerov, "Adaptive: parallel active learning of
// mathematical functions", PeerJ Comput. Sci. 2019, the Learner1D losses):
//
//   curvature   |f[a, b, c]| h^2 / 4 for a neighbouring triple a, b, c holding the interval
//               (f[...] the second divided difference, h the interval's length): the gap
//               at the interval's middle between the chord and the parabola through the
//               triple; the larger of the triples on either side.
//   change      |c2 - c1|: a monotonic profile never leaves the chord by more than its change
//               across the interval.
//
// The loss of an interval is the smaller of the two (so that the flat neighbours of a step
// are not split: their change is nil), each counted only when it stands out of its noise:
// above the larger of the tolerance and k times its standard deviation.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kest {

// The largest change between two counted values that the zone takes as noise: dConc, or
// k sigmas of the difference when that is larger. k = 0 gives dConc exactly.
float ChangeThreshold(float dConc, int sigmas, float sigma1, float sigma2);

// One measured point of a zone: its distance along the scan direction, and per element
// the concentration and its standard deviation (weight percent).
struct ProfileSample {
    int64_t position = 0;
    std::vector<float> conc;
    std::vector<float> sigma;
};

struct RefinementRule {
    int64_t stepMin = 1;     // an interval no longer than this is not split
    float tolerance = 0.0f;  // weight percent
    int sigmas = 0;          // NoiseSigmas
};

// The loss of the interval between samples i and i + 1 (samples in ascending position):
// 0 when it is within the tolerance or cannot be split.
double IntervalLoss(const std::vector<ProfileSample>& samples, std::size_t i, const RefinementRule& rule);

// The midpoints to measure next: the intervals of largest loss, at most `most`, never two
// neighbours in one batch (each changes the other's estimate), in the order in which the
// stage passes them coming from `stageAt`. Empty when every interval is within tolerance.
std::vector<int64_t> NextMidpoints(const std::vector<ProfileSample>& samples, const RefinementRule& rule,
                                   std::size_t most, int64_t stageAt);

// The most points a refinement can add inside one interval of `length` before every piece
// is at step min.
int64_t MostSplits(int64_t length, int64_t stepMin);

}  // namespace kest
