// How fast the analysis database serves a profile: reading a 1000-point, 5-element document
// back as the point and result tables do, and storing one point's measures and results as
// an acquisition does (written through to the working file). Prints the median of several
// runs in milliseconds.

#include "suite/SqliteAnalysisDatabase.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kest;

namespace {

constexpr int kPoints = 1000;
constexpr int kElements = 5;
constexpr int kRuns = 15;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Work>
double Milliseconds(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

SuiteConfig FiveElements() {
    SuiteConfig config;
    for (int z : {26, 24, 28, 14, 6}) {
        ElementSetup e;
        e.z = z;
        e.spectrometer = static_cast<int>(config.setup.elements.size()) + 1;
        config.setup.elements.push_back(e);
    }
    return config;
}

}  // namespace

int main() {
    std::string folderTemplate = (fs::temp_directory_path() / "bench-document-XXXXXX").string();
    if (!mkdtemp(folderTemplate.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder = folderTemplate;
    int status = 0;
    {
        SqliteAnalysisDatabase db(FiveElements(), folder / "work", folder / "documents");
        std::string key = "DbScan01";
        std::string path;
        if (db.KestDbObjectNew(key, 1, 0) == 0 || db.KestDbReset(key, path, 80) <= 0) {
            std::fprintf(stderr, "cannot make the document: %s\n", db.lastError().c_str());
            return 1;
        }
        {
            const auto batch = db.batch(key);
            for (int p = 0; p < kPoints; ++p) {
                db.KestDbAddPt(key, p * 10, 0, 0);
                for (int e = 0; e < kElements; ++e) {
                    db.KestDbEltSetMeasures(key, e, kByPosition, p, 1000.0f + p, 1, 2, 3, 4);
                    ComputeResult r;
                    r.field[0] = 0.001f * p;
                    db.KestDbEltSetComputeRes(key, e, kByPosition, p, r);
                }
            }
        }

        std::vector<double> reads;
        double checksum = 0;
        for (int run = 0; run < kRuns; ++run) {
            reads.push_back(Milliseconds([&] {
                float m1 = 0, m2 = 0, m3 = 0, m4 = 0, m5 = 0;
                ComputeResult r;
                for (int e = 0; e < kElements; ++e)
                    for (int p = 0; p < kPoints; ++p) {
                        db.KestDbEltGetMeasures(key, e, kByPosition, p, m1, m2, m3, m4, m5);
                        db.KestDbEltGetComputeRes(key, e, kByPosition, p, r);
                        checksum += m1 + r.field[0];
                    }
            }));
        }

        std::vector<double> writes;
        for (int run = 0; run < kRuns * 4; ++run) {
            const int p = (run * 37) % kPoints;
            writes.push_back(Milliseconds([&] {
                for (int e = 0; e < kElements; ++e) {
                    db.KestDbEltSetMeasures(key, e, kByPosition, p, 2000.0f + run, 1, 2, 3, 4);
                    ComputeResult r;
                    r.field[0] = 0.5f;
                    db.KestDbEltSetComputeRes(key, e, kByPosition, p, r);
                }
            }));
        }

        std::printf("read back %d points x %d elements (measures and results): %.3f ms (median of %d; target < 5 ms)\n",
                    kPoints, kElements, Median(reads), kRuns);
        std::printf("store one point (%d elements, measures and results, written through): %.3f ms "
                    "(median of %d; target < 2 ms)\n",
                    kElements, Median(writes), kRuns * 4);
        if (checksum < 0) status = 2;  // keeps the reads from being optimised away
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    return status;
}
