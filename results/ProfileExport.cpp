#include "results/ProfileExport.h"

#include "core/Formats.h"
#include "graph/ProfileDistance.h"
#include "results/ResultTables.h"

#include <algorithm>
#include <charconv>
#include <ostream>
#include <string>

namespace kest {
namespace {

template <typename Number>
std::string Shortest(Number value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// A field with a comma, a quote or a line break is quoted, its quotes doubled.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}


}  // namespace

void WriteProfileCsv(const ProfileState& state, std::ostream& out) {
    const int elements = ElementsInResultTable(state);
    out << "point,x,y,third,label,distance";
    for (int e = 0; e < elements; ++e) {
        const std::string symbol = CsvField(WithoutTrailingBlanks(state.ElementTable[static_cast<std::size_t>(e)].symbol.str()));
        out << ',' << symbol << " cps," << symbol << " wt%," << symbol << " sigma wt%," << symbol << " LOD wt%," << symbol << " k-ratio";
    }
    out << ",total wt%,status,flags\n";
    const int points = std::min<int>(state.NbPts, static_cast<int>(state.PointTable.size()));
    for (int p = 0; p < points; ++p) {
        const PointRecord& point = state.PointTable[static_cast<std::size_t>(p)];
        const double distance = state.O + DistanceBetween(state.PointTable[0], point);
        out << p + 1 << ',' << point.x << ',' << point.y << ',' << point.z << ','
            << CsvField(WithoutTrailingBlanks(point.label.untilNul())) << ',' << Shortest(distance);
        // A stopped or failed point holds the numbers of the point before it: none of its own.
        const bool own = HasOwnNumbers(point);
        for (int e = 0; e < elements; ++e) {
            const ResultRecord result = ResultAt(state, e, p);
            if (own)
                out << ',' << Shortest(result.rate) << ',' << Shortest(result.conc) << ',' << Shortest(result.sigma) << ','
                    << Shortest(result.lod) << ',' << Shortest(result.kRatio);
            else
                out << ",,,,,";
        }
        out << ',' << (own ? Shortest(PointTotal(state, p)) : std::string()) << ',' << PointStatusName(point.status) << ','
            << CsvField(PointFlagsText(state, p)) << '\n';
    }
}

}  // namespace kest
