#include "graph/PolylineDecimation.h"

#include <algorithm>
#include <cmath>

namespace kest {

void PolylineDecimation::setView(double x0, double x1, int columns) {
    x0_ = x0;
    x1_ = x1;
    columns_ = std::max(columns, 1);
    kept_.clear();
    runs_.clear();
    inView_ = 0;
}

// -1 left of the span, `columns_` right of it; a point that is not a number has a column of
// its own.
long PolylineDecimation::column(double x) const {
    if (!std::isfinite(x)) return -2;
    if (!(x1_ > x0_)) return 0;
    const double c = std::floor((x - x0_) / (x1_ - x0_) * columns_);
    return static_cast<long>(std::clamp(c, -1.0, static_cast<double>(columns_)));
}

// Drops the run that holds point `from` (the last run when `from` lies past it, as it may
// grow) and every run after it; returns the first point to take again.
std::size_t PolylineDecimation::rollBackTo(std::size_t from) {
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), from,
                                        [](std::size_t point, const Run& run) { return point < run.source; });
    if (after == runs_.begin()) {
        kept_.clear();
        runs_.clear();
        inView_ = 0;
        return 0;
    }
    const auto run = std::prev(after);
    const std::size_t start = run->source;
    kept_.resize(run->kept);
    inView_ = run->inView;
    runs_.erase(run, runs_.end());
    return start;
}

void PolylineDecimation::update(const std::vector<double>& x, const std::vector<float>& y, std::size_t from) {
    const std::size_t n = std::min(x.size(), y.size());
    std::size_t i = rollBackTo(from);
    rewrittenFrom_ = kept_.size();
    while (i < n) {
        if (!std::isfinite(y[i])) {  // a point without a value is drawn neither as a point nor in a line
            ++i;
            continue;
        }
        const long c = column(x[i]);
        std::size_t last = i, low = i, high = i;
        while (last + 1 < n && std::isfinite(y[last + 1]) && column(x[last + 1]) == c) {
            ++last;
            if (y[last] < y[low]) low = last;
            if (y[last] > y[high]) high = last;
        }
        runs_.push_back({i, kept_.size(), inView_});
        if (last - i < 4) {  // a short run is kept whole
            for (std::size_t k = i; k <= last; ++k) kept_.push_back({x[k], y[k]});
        } else {
            const std::size_t picks[] = {i, std::min(low, high), std::max(low, high), last};
            for (std::size_t k = 0; k < 4; ++k)
                if (k == 0 || picks[k] != picks[k - 1]) kept_.push_back({x[picks[k]], y[picks[k]]});
        }
        if (c >= 0 && c < columns_) inView_ += last - i + 1;
        i = last + 1;
    }
}

}  // namespace kest
