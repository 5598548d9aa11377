// The demo-like problems and their default start values.
#include "demo_problems.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

namespace bench {

std::vector<double> GaussDemoStartGet() {
    // (amplitude, mean, standard deviation) per term; the model fits the variance.
    constexpr double kTerms[4][3] = {{50, 350, 60}, {50, 400, 60}, {50, 500, 60}, {50, 600, 60}};
    std::vector<double> adStart;
    for (const auto &adTerm : kTerms) {
        adStart.insert(adStart.end(), {adTerm[0], adTerm[1], adTerm[2] * adTerm[2]});
    }
    return adStart;
}

std::vector<double> ExpDemoStartGet() {
    // The demo's defaults were single-precision numbers, widened to double.
    constexpr float kValues[] = {50.0f, 1.0f, -50.0f, 0.2f};
    return std::vector<double>(std::begin(kValues), std::end(kValues));
}

bool GaussDemoProblemRead(const std::string &sPath, const std::string &sName, Problem &problem,
                          std::string &sError) {
    problem = Problem{};
    problem.sName = sName;
    problem.pModel = &GaussSumModel();
    problem.aadStarts = {GaussDemoStartGet()};
    return DemoDataRead(sPath, problem, sError);
}

bool ExpDemoProblemRead(const std::string &sPath, Problem &problem, std::string &sError) {
    problem = Problem{};
    problem.sName = "ExpDemo";
    problem.pModel = &ExpSumModel();
    problem.aadStarts = {ExpDemoStartGet()};
    return DemoDataRead(sPath, problem, sError);
}

namespace {

// Normal noise from an engine whose sequence the C++ standard fixes, through
// Box-Muller, so that the data are the same with every standard library.
class NoiseSource {
  public:
    explicit NoiseSource(std::uint64_t iSeed) : m_engine(iSeed) {}
    double Normal(double dSigma) {
        const double dU1 = Uniform();
        const double dU2 = Uniform();
        return dSigma * std::sqrt(-2.0 * std::log(dU1)) * std::cos(2.0 * std::numbers::pi * dU2);
    }

  private:
    std::mt19937_64 m_engine;
    double Uniform() { // in (0, 1]
        return (static_cast<double>(m_engine() >> 11) + 1.0) / 9007199254740992.0;
    }
};

} // namespace

Problem GaussLargeProblemMake(int iRows) {
    // (amplitude, mean, variance) of the sample generator's four terms.
    constexpr double kTrueParams[12] = {40, 340, 25 * 25, 60, 420, 30 * 30,
                                        45, 510, 28 * 28, 30, 610, 35 * 35};
    constexpr double kFirstTime = 100.0;
    constexpr double kLastTime = 900.0;
    constexpr double kNoise = 1.0;
    constexpr std::uint64_t kSeed = 20261207;
    Problem problem;
    problem.sName = "GaussLarge";
    problem.pModel = &GaussSumModel();
    problem.aadStarts = {GaussDemoStartGet()};
    NoiseSource noise(kSeed);
    for (int i = 0; i < iRows; ++i) {
        const double dTime = kFirstTime + (kLastTime - kFirstTime) * i / (iRows - 1);
        problem.adX.push_back(dTime);
        problem.adY.push_back(problem.pModel->pValue(kTrueParams, &dTime) + noise.Normal(kNoise));
        problem.adW.push_back(1.0);
    }
    return problem;
}

} // namespace bench
