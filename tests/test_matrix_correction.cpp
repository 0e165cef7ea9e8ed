// The matrix correction against the world: measured k-ratios of binary alloys and compounds
// against pure-element standards must give back the compositions the specimens were made with.

#include "physics/MatrixCorrection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

using namespace kest::physics;

namespace {

// Measured k-ratios from the database of J.-L. Pouchou and F. Pichoir (826 measurements on
// binary specimens against pure-element standards), published in K. F. J. Heinrich and
// D. E. Newbury (eds.), Electron Probe Quantitation, Plenum, New York, 1991, as transcribed in
// the public-domain NIST EPQ library (PandPdb.csv). Only lines above 2.5 keV, take-off angles
// of 40 degrees or more and at least 5 wt %, where the correction must hold within 5 %.
struct MeasuredKRatio {
    int z;  // the element measured
    XRayLine line;
    int matrix;  // the other element of the binary
    double beamKeV, massFraction, kRatio, takeOffDegrees;
    bool fluorescenceMatters;  // without Reed's correction, this one is missed by more than 5 %
};

constexpr XRayLine Ka = XRayLine::KAlpha, La = XRayLine::LAlpha;

const MeasuredKRatio kMeasured[]{
    {26, Ka, 13, 20, 0.759, 0.736, 52.5, false},    {26, Ka, 13, 30, 0.759, 0.748, 52.5, false},    // Fe in FeAl
    {26, Ka, 16, 15, 0.466, 0.425, 75, false},      {26, Ka, 16, 30, 0.466, 0.419, 75, false},      // Fe in FeS
    {22, Ka, 5, 10, 0.6993, 0.6462, 40, false},     {22, Ka, 5, 30, 0.6993, 0.6782, 40, false},     // Ti in TiB2
    {24, Ka, 5, 10, 0.7269, 0.6374, 40, false},     {24, Ka, 5, 30, 0.7269, 0.685, 40, false},      // Cr borides
    {27, Ka, 5, 15, 0.845, 0.8058, 40, false},      {28, Ka, 5, 25, 0.856, 0.8438, 40, false},      // Co, Ni borides
    {24, Ka, 6, 20, 0.8666, 0.8422, 40, false},     {23, Ka, 6, 10, 0.84, 0.8065, 40, false},       // carbides
    {24, Ka, 7, 30, 0.7878, 0.7685, 40, false},     {30, Ka, 16, 20, 0.671, 0.62, 75, false},       // Cr nitride, ZnS
    {82, La, 16, 30, 0.866, 0.813, 75, false},                                                      // PbS
    {22, Ka, 13, 15.7, 0.602, 0.5789, 40, false},   {22, Ka, 13, 40, 0.602, 0.538, 40, false},      // Ti in TiAl
    {29, Ka, 28, 15.3, 0.565, 0.5556, 40, false},   {29, Ka, 28, 40, 0.565, 0.5557, 40, false},     // Cu in CuNi
    {29, Ka, 13, 21.2, 0.0555, 0.0479, 40, false},                                                  // Cu in AlCu
    {79, La, 29, 16, 0.201, 0.147, 40, false},      {79, La, 29, 25, 0.604, 0.537, 40, false},      // Au in AuCu
    {79, La, 29, 39.5, 0.508, 0.4279, 40, false},
    {29, Ka, 79, 20, 0.198, 0.245, 40, true},       {29, Ka, 79, 25, 0.396, 0.447, 40, true},       // Cu in AuCu
    {29, Ka, 79, 20, 0.1983, 0.247, 52.5, true},    {29, Ka, 79, 30, 0.1983, 0.235, 52.5, true},
    {29, Ka, 79, 40, 0.3964, 0.416, 52.5, false},   {29, Ka, 79, 39.5, 0.492, 0.516, 40, true},
    {29, Ka, 79, 14, 0.799, 0.845, 40, false},
    {79, La, 47, 15, 0.2243, 0.203, 52.5, false},   {79, La, 47, 30, 0.6005, 0.58, 52.5, false},    // Au in AuAg
    {47, La, 79, 10, 0.3992, 0.386, 52.5, false},   {47, La, 79, 30, 0.1996, 0.109, 52.5, false},   // Ag in AuAg
    {46, La, 79, 20.7, 0.359, 0.2445, 40, false},                                                   // Pd in AuPd
    {51, La, 83, 20, 0.313, 0.2552, 52.5, false},   {51, La, 83, 30, 0.1058, 0.0659, 52.5, false},  // Sb in SbBi
};

double relativeError(const MeasuredKRatio& m, bool fluorescence) {
    const MatrixCorrection correction({m.beamKeV, m.takeOffDegrees, fluorescence}, {{m.z, m.line, {{m.z, 1.0}}}},
                                      {{m.matrix, true, 0.0}});
    const double k[] = {m.kRatio};
    const Quantification q = correction.quantifyKRatios(k);
    EXPECT_TRUE(q.converged);
    return (q.massFractions[0] - m.massFraction) / m.massFraction;
}

}  // namespace

TEST(MatrixCorrection, MeasuredKRatiosOfBinariesGiveBackTheirCompositionsWithin5Percent) {
    for (const MeasuredKRatio& m : kMeasured) {
        SCOPED_TRACE(::testing::Message() << "Z " << m.z << " " << lineName(m.line) << " in Z " << m.matrix << " at "
                                          << m.beamKeV << " kV, " << m.massFraction);
        EXPECT_LT(std::abs(relativeError(m, true)), 0.05);
        // Cu K-alpha in gold-copper is excited by the Au L lines: the correction without
        // fluorescence reads too much copper there.
        if (m.fluorescenceMatters) {
            EXPECT_GT(relativeError(m, false), 0.05);
        }
    }
}

// The iteration finds the composition whose k-ratios, with backgrounds that follow the mean
// atomic number, are the measured ones, for several elements on compound standards. Both
// directions use the same model, so this checks the iteration, not the physics.
TEST(MatrixCorrection, IterationGivesBackAWholeCompositionWithItsBackgrounds) {
    const Composition specimen{{26, 0.41}, {28, 0.22}, {24, 0.18}, {42, 0.04}, {29, 0.15}};
    const std::vector<AnalysedElement> analysed{{26, Ka, {{26, 0.6}, {28, 0.4}}},
                                                {28, Ka, {{28, 1.0}}},
                                                {24, Ka, {{24, 0.684}, {8, 0.316}}},  // Cr2O3
                                                {42, La, {{42, 1.0}}}};
    const MatrixCorrection correction({20.0, 40.0, true}, analysed, {{29, true, 0.0}});
    const std::vector<CorrectionFactors> expected = correction.kRatios(specimen);
    std::vector<PeakMeasurement> measured;
    const double standardBackground = 50.0, standardNet = 4000.0;
    for (std::size_t i = 0; i < analysed.size(); ++i)
        measured.push_back({standardNet * expected[i].kRatio + standardBackground * correction.backgroundScale(i, specimen),
                            standardNet, standardBackground});

    const Quantification q = correction.quantify(measured);
    ASSERT_TRUE(q.converged);
    EXPECT_LT(q.iterations, 10);
    for (std::size_t i = 0; i < analysed.size(); ++i) {
        EXPECT_NEAR(q.massFractions[i], specimen[i].massFraction, 1e-5) << analysed[i].z;
        EXPECT_NEAR(q.factors[i].kRatio, expected[i].kRatio, 1e-6);
        const CorrectionFactors& f = q.factors[i];
        EXPECT_NEAR(f.kRatio * analysed[i].standard.front().massFraction * f.Z * f.A * f.F, q.massFractions[i], 1e-6);
    }
    EXPECT_NEAR(q.unmeasuredMassFractions[0], 0.15, 1e-5);  // copper, by difference
    // Zbar of the specimen over Zbar of pure nickel.
    const double meanZ = 0.41 * 26 + 0.22 * 28 + 0.18 * 24 + 0.04 * 42 + 0.15 * 29;
    EXPECT_NEAR(q.backgroundCps[1], standardBackground * meanZ / 28.0, 1e-3);
}

TEST(MatrixCorrection, SetUpsThatCannotBeCorrectedAreRefusedNamingTheElement) {
    struct Refused {
        AnalysisConditions conditions;
        std::vector<AnalysedElement> analysed;
        std::vector<UnmeasuredElement> unmeasured;
        const char* message;
    };
    const Refused cases[]{
        {{10.0, 40.0}, {{79, La, {{79, 1.0}}}}, {}, "element 79 La: the beam does not ionize its shell"},
        {{20.0, 40.0}, {{13, La, {{13, 1.0}}}}, {}, "element 13 La: xraylib knows no such line"},
        {{20.0, 40.0}, {{26, Ka, {{28, 1.0}}}}, {}, "element 26 Ka: its standard does not contain it"},
        {{20.0, 40.0}, {{26, Ka, {{26, 0.8}, {28, 0.3}}}}, {}, "element 26 Ka: its standard sums above 100 %"},
        {{20.0, 40.0}, {{26, Ka, {{26, 1.0}}}}, {{26, false, 0.1}}, "element 26 is measured and cannot also be unmeasured"},
        {{20.0, 40.0}, {{26, Ka, {{26, 1.0}}}}, {{28, true, 0}, {29, true, 0}}, "only one element can be given by difference"},
        {{20.0, 0.0}, {{26, Ka, {{26, 1.0}}}}, {}, "the take-off angle must lie above 0 and at most 90 degrees"},
    };
    for (const Refused& c : cases) {
        try {
            MatrixCorrection(c.conditions, c.analysed, c.unmeasured);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const std::invalid_argument& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(MatrixCorrection, DefaultLineKeepsAnOvervoltageOfOneAndAHalf) {
    struct Case {
        int z;
        double beamKeV;
        std::optional<XRayLine> line;
    };
    const Case cases[]{
        {26, 15, Ka},                    // Fe K edge 7.11 keV
        {26, 10, La},                    // overvoltage 1.41 on the K edge
        {79, 20, La},                    // Au L3 edge 11.92 keV
        {79, 15, XRayLine::MAlpha},      //
        {6, 0.4, Ka},                    // only the K line: excited, if barely
        {79, 1.0, std::nullopt},         // nothing excited
    };
    for (const Case& c : cases) EXPECT_EQ(defaultLine(c.z, c.beamKeV), c.line) << c.z << " at " << c.beamKeV;
}

TEST(MatrixCorrection, AMeasurementThatIsNotANumberDoesNotConverge) {
    const MatrixCorrection correction({20.0, 40.0}, {{26, Ka, {{26, 1.0}}}}, {{28, true, 0.0}});
    const double k[] = {std::nan("")};
    const Quantification q = correction.quantifyKRatios(k);
    EXPECT_FALSE(q.converged);
    EXPECT_EQ(q.iterations, MatrixCorrection::kMaxIterations);
}

// Suite files and documents may list only some elements of a specimen and its standard: the
// unlisted remainder counts as the listed elements do, so one element against a standard of
// that element alone keeps the proportion, and its background stays the standard's.
TEST(MatrixCorrection, AnIncompleteCompositionComparesAsItsListedElementsDo) {
    const MatrixCorrection correction({15.0, 40.0}, {{26, Ka, {{26, 0.5}}}});
    const double k = correction.kRatios({{26, 0.1}}).front().kRatio;
    EXPECT_NEAR(k, 0.2, 1e-12);
    EXPECT_NEAR(correction.backgroundScale(0, {{26, 0.1}}), 1.0, 1e-12);
}
