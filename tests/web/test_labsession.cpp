// The lab page's session natively: the curve measured in slices as the command line measures it
// at once, set-ups taken or refused, curves kept, every view drawn, and every text it asks for
// in both shipped language files.
#include "core/chart/recordingcanvas.h"
#include "core/lab/bercurve.h"
#include "web/lab/labsession.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

namespace {

using web::LabSession;
using web::LabSetUp;
using web::LabView;

struct Canvases
{
    std::array<std::unique_ptr<RecordingCanvas>, web::LabViewCount> owned;
    std::array<Canvas*, web::LabViewCount> pointers{};

    Canvases()
    {
        for (std::size_t i = 0; i < owned.size(); ++i) {
            owned[i] = std::make_unique<RecordingCanvas>();
            pointers[i] = owned[i].get();
        }
    }
};

LabSetUp Lab(int users, lab::CodeFamily codes, int spread, std::vector<double> curve, std::uint64_t bits)
{
    LabSetUp s;
    s.Config.Users = users;
    s.Config.Codes = codes;
    s.Config.Spread = spread;
    s.Config.Seed = 4;
    s.Curve = std::move(curve);
    s.Bits = bits;
    return s;
}

LabSetUp Delayed(LabSetUp s, std::vector<int> delays)
{
    s.Config.DelayChips = std::move(delays);
    return s;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

// Slices of any size, across the points' ends, give the counts of the curve measured at once.
TEST(LabSession, MeasuresInSlicesWhatTheCurveMeasuresAtOnce)
{
    Canvases canvases;
    LabSession session(canvases.pointers);
    const LabSetUp s = Lab(3, lab::CodeFamily::Gold, 7, {0, 2, 4, 6}, 3000);
    ASSERT_EQ(session.SetUp(s), "");
    lab::CurveRequest request;
    request.Config = s.Config;
    request.Bits = s.Bits;
    for (const double db : s.Curve)
        request.EbN0Db.push_back(db);
    const std::vector<lab::CurvePoint> whole = lab::MeasureCurve(request);

    int completed = 0;
    for (const std::uint64_t slice : {1u, 700u, 2299u, 5000u, 1u, 4000u, 10000u})
        completed += session.Measure(slice);
    ASSERT_TRUE(session.CurveDone());
    EXPECT_EQ(completed, 4);
    ASSERT_EQ(session.Points().size(), whole.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const web::LabPoint& p = session.Points()[i];
        EXPECT_EQ(p.EbN0Db, *whole[i].EbN0Db);
        EXPECT_EQ(p.Bits, whole[i].Count.Bits);
        EXPECT_EQ(p.Errors, whole[i].Count.Errors) << i;
        EXPECT_EQ(p.Ci95.Low, whole[i].Ci95.Low);
        EXPECT_EQ(p.Ci95.High, whole[i].Ci95.High);
    }
    EXPECT_EQ(session.Measure(1000), 0) << "a finished curve measures nothing more";
    EXPECT_EQ(session.PointBits(), 0u);
}

TEST(LabSession, TheSliderKeepsTheCurveAndEveryOtherChangeStartsItAgain)
{
    Canvases canvases;
    LabSession session(canvases.pointers);
    LabSetUp s = Lab(2, lab::CodeFamily::Random, 8, {0, 5}, 1000);
    ASSERT_EQ(session.SetUp(s), "");
    session.Measure(1500);
    ASSERT_EQ(session.Points().size(), 1u);
    ASSERT_EQ(session.PointBits(), 500u);

    s.Level = 12;
    ASSERT_EQ(session.SetUp(s), "");
    EXPECT_EQ(session.Points().size(), 1u) << "the level of the views alone";
    EXPECT_EQ(session.PointBits(), 500u);
    s.Config.Seed = 5;
    ASSERT_EQ(session.SetUp(s), "");
    EXPECT_EQ(session.Points().size(), 0u);
    EXPECT_EQ(session.PointBits(), 0u);

    // Refused: the reason, and the set-up as it was.
    session.Measure(1200);
    LabSetUp bad = s;
    bad.Config.Codes = lab::CodeFamily::Walsh;
    bad.Config.Spread = 7;
    EXPECT_EQ(session.SetUp(bad), "walsh codes take a spreading factor 2, 4, 8, 16, 32 or 64, not 7");
    bad = s;
    bad.Curve.clear();
    EXPECT_EQ(session.SetUp(bad), "a curve has 1 to 1000 points");
    bad = s;
    bad.Bits = 0;
    EXPECT_NE(session.SetUp(bad), "");
    bad = s;
    bad.Level = 100.5;
    EXPECT_NE(session.SetUp(bad), "");
    bad.Level = 100;
    bad.Curve = {-100.5};
    EXPECT_NE(session.SetUp(bad), "");
    EXPECT_EQ(session.CurrentSetUp().Config.Codes, lab::CodeFamily::Random);
    EXPECT_EQ(session.Points().size(), 1u) << "the curve goes on";
}

TEST(LabSession, KeepsAtMostFourCurvesAndNoneWithoutAPoint)
{
    Canvases canvases;
    LabSession session(canvases.pointers);
    ASSERT_EQ(session.SetUp(Lab(2, lab::CodeFamily::Random, 8, {0, 3}, 200)), "");
    EXPECT_FALSE(session.KeepCurve());
    session.Measure(200);
    for (int i = 1; i <= 6; ++i) {
        EXPECT_TRUE(session.KeepCurve());
        EXPECT_EQ(session.KeptCount(), std::min(i, LabSession::MaxKept));
    }
    session.ClearKept();
    EXPECT_EQ(session.KeptCount(), 0);
}

// The decision values and the spectrum grow in slices until they have enough; the others have
// nothing to measure.
TEST(LabSession, ViewsRefineUntilTheyHaveEnough)
{
    Canvases canvases;
    LabSession session(canvases.pointers);
    ASSERT_EQ(session.SetUp(Lab(2, lab::CodeFamily::Random, 8, {0}, 3000)), "");
    int slices = 0;
    while (session.Refine(LabView::Decisions, 1000))
        ++slices;
    EXPECT_EQ(slices, 2);
    EXPECT_EQ(session.Histogram().Bits(), 3000u) << "as many bits as a point";
    while (session.Refine(LabView::Spectrum, 500))
        ;
    EXPECT_GE(session.Spectra().Segments(), LabSession::SpectrumSegments);
    EXPECT_FALSE(session.Refine(LabView::Rates, 100));
    EXPECT_FALSE(session.Refine(LabView::Signals, 100));
}

TEST(LabSession, DrawsEveryViewAtItsSizeAndNoSmallerThanItsLeast)
{
    Canvases canvases;
    LabSession session(canvases.pointers);
    ASSERT_EQ(session.SetUp(Lab(8, lab::CodeFamily::Gold, 7, {0, 4}, 500)), "");
    session.Measure(700);
    for (int v = 0; v < web::LabViewCount; ++v) {
        SCOPED_TRACE(v);
        const Size drawn = session.Draw(static_cast<LabView>(v), {700, 360});
        EXPECT_EQ(drawn.width, 700);
        EXPECT_GE(drawn.height, 360);
        EXPECT_EQ(canvases.owned[std::size_t(v)]->size(), drawn);
        EXPECT_FALSE(canvases.owned[std::size_t(v)]->ops(RecordingCanvas::OpKind::Text).empty());
        const Size least = session.Draw(static_cast<LabView>(v), {100, 50});
        EXPECT_EQ(least.width, 280);
        EXPECT_GE(least.height, 240);
    }
}

// Everything the session asks the dictionary for, in every view and state, has an entry in
// both shipped files.
TEST(LabSession, FindsEveryTextItDrawsInBothLanguageFiles)
{
    std::istringstream paths(DSCDMA_LANGUAGE_FILES);
    int files = 0;
    for (std::string path; std::getline(paths, path, '|'); ++files) {
        SCOPED_TRACE(path);
        Canvases canvases;
        LabSession session(canvases.pointers);
        session.LoadLanguage(ReadFile(path));
        for (const LabSetUp& s : {Lab(1, lab::CodeFamily::Random, 8, {0, 4}, 300), Lab(4, lab::CodeFamily::Walsh, 16, {2}, 300),
                                  Lab(3, lab::CodeFamily::MSequence, 7, {2}, 300), Lab(8, lab::CodeFamily::Gold, 31, {2}, 300),
                                  Delayed(Lab(3, lab::CodeFamily::Walsh, 8, {2}, 300), {0, 3, 5})}) {
            ASSERT_EQ(session.SetUp(s), "");
            for (int v = 0; v < web::LabViewCount; ++v)
                session.Draw(static_cast<LabView>(v), {700, 360});
            session.Measure(600);
            EXPECT_TRUE(session.KeepCurve()) << "the kept curves' names are drawn too";
            session.Refine(LabView::Decisions, 300);
            for (int v = 0; v < web::LabViewCount; ++v)
                session.Draw(static_cast<LabView>(v), {700, 360});
        }
        EXPECT_EQ(session.MissedKeys(), std::vector<std::string>());
        EXPECT_GT(session.UsedKeys().size(), 20u);
    }
    EXPECT_EQ(files, 2);
}
