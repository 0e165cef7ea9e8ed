#pragma once
// The points of a polyline worth drawing at a given width. Consecutive points that fall in
// one column of the drawing draw the same picture as the first, the lowest, the highest and
// the last of them, so a series of any length costs at most four points a column. When the
// series changes at its end, as it does at every point of a scan, only its last run of
// points is taken again, so each point costs the same however long the series has grown.
// A point whose value is not a number (a point without counts) is left out: the line goes
// from the point before it to the one after.

#include <cstddef>
#include <vector>

namespace kest {

class PolylineDecimation {
public:
    struct Point {
        double x = 0.0;
        double y = 0.0;
        bool operator==(const Point&) const = default;
    };

    // The span x0..x1 spread over `columns`; points beyond it fall in the edge columns. A
    // new view takes the whole series again at the next update.
    void setView(double x0, double x1, int columns);
    // After a change of the series from point `from` on (the series' size when only points
    // went away).
    void update(const std::vector<double>& x, const std::vector<float>& y, std::size_t from);

    const std::vector<Point>& points() const { return kept_; }
    // The first of points() that the last update wrote again; those before it stayed.
    std::size_t rewrittenFrom() const { return rewrittenFrom_; }
    // How many points of the series lie inside the view's span.
    std::size_t pointsInView() const { return inView_; }

private:
    struct Run {
        std::size_t source;  // its first point in the series
        std::size_t kept;    // its first point in `kept_`
        std::size_t inView;  // points inside the span before it
    };
    long column(double x) const;
    std::size_t rollBackTo(std::size_t from);

    std::vector<Point> kept_;
    std::vector<Run> runs_;
    std::size_t inView_ = 0;
    std::size_t rewrittenFrom_ = 0;
    double x0_ = 0.0, x1_ = 1.0;
    int columns_ = 1;
};

}  // namespace kest
