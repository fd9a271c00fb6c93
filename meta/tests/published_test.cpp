// A published analysis pinned as metafor 3.8.1 prints it, so that a machine without R still
// catches a fault anywhere in the chain: BCG vaccine trials (Colditz et al. 1994; metadat's
// dat.bcg), log relative risks from escalc(measure = "RR"), pooled, on absolute latitude, each
// trial's part in the model, without each trial, and the tests of small-study effects. The
// values were printed by rma(), confint(), predict(), influence(), leave1out(), regtest(),
// trimfill(), ranktest() and fsn(), the models fitted with control = list(threshold = 1e-12,
// tol = 1e-12, maxiter = 1000) so that their iterations stop where ours do.
#include "meta/diagnostics/influence.h"
#include "meta/diagnostics/leave_one_out.h"
#include "meta/model/model.h"
#include "meta/small_study/small_study_effects.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrel::meta {
namespace {

const std::vector<Study> kBcg = {
    {-0.88931133392020545, 0.32558476500396133},  {-1.5853886572014306, 0.19458112139814385},
    {-1.3480731482996933, 0.41536796536796539},   {-1.4415511900213054, 0.020010031902247573},
    {-0.21754732221129558, 0.051210172169630863}, {-0.78611558581886398, 0.0069056184559087574},
    {-1.6208982235983918, 0.22301724757231517},   {0.011952333523840508, 0.0039615792978177295},
    {-0.4694176487381494, 0.056434210463248966},  {-1.3713448034727844, 0.07302479361302891},
    {-0.33935882833839059, 0.01241221397155972},  {0.44591340057137874, 0.53250584520015276},
    {-0.017313948216879815, 0.071404659683986293}};
const double kLatitude[] = {44, 55, 42, 52, 13, 44, 19, 13, 27, 42, 18, 33, 33};
const std::vector<std::string> kNames = {"intercept", "ablat"};

// metafor printed 12 significant digits.
constexpr double kPrinted = 1e-11;

Design OnLatitude() {
    Design x(13, 2);
    for (int i = 0; i < 13; ++i) {
        x.row(i) << 1, kLatitude[i];
    }
    return x;
}

TEST(PublishedBcg, RandomEffectsModelAndItsIntervals) {
    const Model z = FitModel(kBcg, {Method::REML, meta::Test::Z, 0.95});
    EXPECT_NEAR(z.Pooled().estimate, -0.714532342158, kPrinted);
    EXPECT_NEAR(z.Pooled().se, 0.179781516105, kPrinted);
    EXPECT_NEAR(z.Pooled().statistic, -3.97444830613, 1e-8);
    EXPECT_NEAR(z.Pooled().p, 7.05425810164e-05, 1e-13);
    EXPECT_NEAR(z.Pooled().ciLow, -1.06689763881, kPrinted);
    EXPECT_NEAR(z.tau2, 0.313243258136, kPrinted);
    EXPECT_NEAR(z.i2, 92.2213845213, 1e-7);
    EXPECT_NEAR(z.h2, 12.8557582353, 1e-8);
    EXPECT_NEAR(z.qe, 152.233008082, 1e-8);
    EXPECT_EQ(z.qeDf, 12);
    EXPECT_NEAR(z.piLow, -1.8666922179, kPrinted);
    EXPECT_NEAR(z.piHigh, 0.437627533587, kPrinted);
    // The Q-profile, as confint(control = list(tol = 1e-12)) finds it.
    EXPECT_NEAR(z.tau2CiLow, 0.119718361141, kPrinted);
    EXPECT_NEAR(z.tau2CiHigh, 1.11147908406, kPrinted);
    EXPECT_NEAR(z.i2CiLow, 81.920574558583, 1e-9);
    EXPECT_NEAR(z.i2CiHigh, 97.67807495789, 1e-9);

    // Knapp and Hartung: t with 12 df.
    const Model knha = FitModel(kBcg, {Method::REML, meta::Test::KnappHartung, 0.95});
    EXPECT_NEAR(knha.Pooled().se, 0.180791744093, kPrinted);
    EXPECT_NEAR(knha.Pooled().statistic, -3.95223988652, 1e-8);
    EXPECT_NEAR(knha.Pooled().p, 0.00192001509606, 1e-12);
    EXPECT_NEAR(knha.Pooled().ciLow, -1.10844371369, kPrinted);
    EXPECT_NEAR(knha.Pooled().ciHigh, -0.320620970631, kPrinted);

    const std::pair<Method, double> estimators[] = {
        {Method::DL, 0.308760262862}, {Method::PM, 0.318068452205}, {Method::SJ, 0.345515701599},
        {Method::HE, 0.328563857996}, {Method::HS, 0.228362863677}, {Method::EB, 0.318068452205},
        {Method::ML, 0.280028137269}};
    for (const auto& [method, tau2] : estimators) {
        EXPECT_NEAR(FitModel(kBcg, {method, meta::Test::Z, 0.95}).tau2, tau2, kPrinted)
            << Name(method);
    }
}

TEST(PublishedBcg, MetaRegressionOnLatitudeUnderKnappHartung) {
    const Model model =
        FitModel(kBcg, OnLatitude(), kNames, {Method::REML, meta::Test::KnappHartung, 0.95});
    const Coefficient& slope = model.coefficients[1];
    EXPECT_NEAR(model.coefficients[0].estimate, 0.251468210007, kPrinted);
    EXPECT_NEAR(slope.estimate, -0.0291017250116, kPrinted);
    EXPECT_NEAR(model.coefficients[0].se, 0.283925283744, kPrinted);
    EXPECT_NEAR(slope.se, 0.00820141741105, 1e-11);
    EXPECT_NEAR(slope.statistic, -3.54837750026, 1e-8);
    EXPECT_NEAR(slope.p, 0.00456505154159, 1e-11);
    EXPECT_NEAR(model.coefficients[0].p, 0.394737072448, kPrinted);
    EXPECT_NEAR(slope.ciLow, -0.0471529230251, kPrinted);
    EXPECT_NEAR(slope.ciHigh, -0.0110505269982, kPrinted);
    // F(1, 11) of the moderator, the residual heterogeneity, and R^2.
    EXPECT_NEAR(model.qm, 12.5909828844, 1e-7);
    EXPECT_EQ(model.qmDf, 1);
    EXPECT_EQ(model.qmDf2, 11);
    EXPECT_NEAR(model.qmP, 0.00456505154159, 1e-11);
    EXPECT_NEAR(model.qe, 30.7330900107, 1e-8);
    EXPECT_NEAR(model.qeP, 0.00121429098742, 1e-12);
    EXPECT_NEAR(model.tau2, 0.0763479639559, kPrinted);
    EXPECT_NEAR(model.i2, 68.3912248384, 1e-7);
    EXPECT_NEAR(model.r2, 75.6266218114, 1e-6);

    const Model ml = FitModel(kBcg, OnLatitude(), kNames, {Method::ML, meta::Test::Z, 0.95});
    EXPECT_NEAR(ml.coefficients[0].estimate, 0.282107173896, kPrinted);
    EXPECT_NEAR(ml.coefficients[1].estimate, -0.0295093353884, kPrinted);
    EXPECT_NEAR(ml.tau2, 0.0343514424819, kPrinted);
    EXPECT_NEAR(ml.r2, 87.7328604129, 1e-6);
}

// weights(), hatvalues() and influence()'s rstudent and cook.d of the first three trials.
TEST(PublishedBcg, EachTrialsPartInTheRegression) {
    const Model model =
        FitModel(kBcg, OnLatitude(), kNames, {Method::REML, meta::Test::KnappHartung, 0.95});
    const std::vector<StudyInfluence> influence = Influence(kBcg, OnLatitude(), model, true);
    const double weight[] = {2.82286880188, 4.18782412952, 2.3074366588};
    const double hat[] = {0.0490232949592, 0.149265842606, 0.0351420480338};
    const double residual[] = {0.193600002907, -0.419472788615, -0.46540736621};
    const double cook[] = {0.00369783551715, 0.0376416896106, 0.00800103184658};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(influence[i].weight, weight[i], 1e-8);
        EXPECT_NEAR(influence[i].hat, hat[i], 1e-10);
        EXPECT_NEAR(influence[i].residual, residual[i], 1e-7);
        EXPECT_NEAR(influence[i].cooksDistance, cook[i], 1e-8);
    }
}

TEST(PublishedBcg, WithoutEachTrialUnderKnappHartung) {
    const std::vector<Model> fits =
        LeaveOneOut(kBcg, {Method::REML, meta::Test::KnappHartung, 0.95});
    EXPECT_NEAR(fits[0].Pooled().estimate, -0.707083784699, kPrinted);
    EXPECT_NEAR(fits[1].Pooled().estimate, -0.654031200294, kPrinted);
    EXPECT_NEAR(fits[0].Pooled().se, 0.194002738432, kPrinted);
    EXPECT_NEAR(fits[1].Pooled().p, 0.00412905921639, 1e-11);
    EXPECT_NEAR(fits[0].Pooled().ciLow, -1.13408093301, kPrinted);
    EXPECT_NEAR(fits[1].tau2, 0.292583083996, kPrinted);
}

TEST(PublishedBcg, SmallStudyEffects) {
    const Model knha = FitModel(kBcg, {Method::REML, meta::Test::KnappHartung, 0.95});
    const SmallStudyEffects effects = AssessSmallStudyEffects(kBcg, knha, false);
    ASSERT_TRUE(effects.egger && effects.peese && effects.rank);
    EXPECT_NEAR(effects.egger->statistic, -0.781154133602, 1e-8);
    EXPECT_EQ(effects.egger->df, 11);
    EXPECT_NEAR(effects.egger->p, 0.451196679954, kPrinted);
    EXPECT_NEAR(effects.egger->limit, -0.510431874103, kPrinted);
    EXPECT_NEAR(effects.egger->limitCiLow, -1.2123410166, kPrinted);
    EXPECT_NEAR(effects.peese->statistic, -0.414932857818, 1e-8);
    EXPECT_NEAR(effects.peese->limit, -0.655359443949, kPrinted);
    // Begg's tau is 1/39: 78 pairs, one more concordant than discordant. Exact p.
    EXPECT_NEAR(effects.rank->tau, 1.0 / 39, 1e-15);
    EXPECT_NEAR(effects.rank->p, 0.952361907961, 1e-11);
    EXPECT_EQ(effects.failSafeN, 598);

    const TrimAndFill fill =
        FillMissingStudies(kBcg, FitModel(kBcg, {Method::REML, meta::Test::Z, 0.95}));
    EXPECT_EQ(fill.k0, 1u);
    EXPECT_EQ(fill.side, Side::Right);
    EXPECT_NEAR(fill.model.Pooled().estimate, -0.657082783488, kPrinted);
    EXPECT_NEAR(fill.model.Pooled().se, 0.178528380132, kPrinted);
}

} // namespace
} // namespace tavrel::meta
