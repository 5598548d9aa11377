// VaroDemoData <folder>: writes the sample data of the demo programs,
// GaussDemo.dat and ExpDemo.dat, into <folder>. The output is the same on
// every run and platform: the noise comes from a seeded 64-bit generator and a
// Box-Muller transform (noise_source.h), not from the standard library's
// distributions, whose results differ between implementations.
//
// VaroDemoData gauss|exp <file> <seed> <term values...>: writes one file of
// the same rows and noise with other terms and another seed, the values given
// term after term (A M S per gaussian, A G per exponential).
//
// GaussDemo.dat: 401 rows, T = 100, 102, ..., 900, two columns (weight 1.0),
//   D = sum of four gaussians A*exp(-(T-M)^2 / (2*S^2)) + noise (sd 1.0):
//   (A, M, S) = (40, 340, 25), (60, 420, 30), (45, 510, 28), (30, 610, 35).
// ExpDemo.dat: 401 rows, T = 0, 0.05, ..., 20, two columns (weight 1.0),
//   D = sum of two decaying exponentials A*exp(-G*T) + noise (sd 0.5):
//   (A, G) = (70, 1.2), (30, 0.15).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "demos/tools/noise_source.h"
#include "models/exp_family.h"
#include "models/gauss_family.h"

namespace {

constexpr std::uint64_t kGaussSeed = 20261207;
constexpr std::uint64_t kExpSeed = 20261208;
constexpr int kNoRows = 401;

struct GaussTerm {
    double dAmpl, dMean, dSigma;
};
struct ExpTerm {
    double dAmpl, dGamma;
};

constexpr GaussTerm aGaussTerms[] = {{40, 340, 25}, {60, 420, 30}, {45, 510, 28}, {30, 610, 35}};
constexpr ExpTerm aExpTerms[] = {{70, 1.2}, {30, 0.15}};

// The families' formulas (models/).
double GaussSum(std::span<const GaussTerm> aTerms, double dTime) {
    double dSum = 0;
    for (const GaussTerm &term : aTerms) {
        const double adParams[3] = {term.dAmpl, term.dMean, term.dSigma * term.dSigma};
        dSum += GaussTermValue(adParams, dTime);
    }
    return dSum;
}

double ExpSum(std::span<const ExpTerm> aTerms, double dTime) {
    double dSum = 0;
    for (const ExpTerm &term : aTerms) {
        const double adParams[2] = {term.dAmpl, term.dGamma};
        dSum += ExpTermValue(adParams, dTime);
    }
    return dSum;
}

// Writes kNoRows rows T = dStart + i*dStep, D = Model(T) + noise.
bool FileWrite(const std::string &path, double dStart, double dStep,
               const std::function<double(double)> &Model, double dNoise, std::uint64_t iSeed) {
    std::FILE *pFile = std::fopen(path.c_str(), "w");
    if (pFile == nullptr) {
        std::fprintf(stderr, "Cannot write '%s'\n", path.c_str());
        return false;
    }
    NoiseSource noise(iSeed);
    for (int i = 0; i < kNoRows; i++) {
        const double dTime = dStart + i * dStep;
        std::fprintf(pFile, "%.4f %.6f\n", dTime, Model(dTime) + noise.Normal(dNoise));
    }
    return std::fclose(pFile) == 0;
}

bool GaussFileWrite(const std::string &path, std::span<const GaussTerm> aTerms,
                    std::uint64_t iSeed) {
    return FileWrite(
        path, 100, 2, [&](double dTime) { return GaussSum(aTerms, dTime); }, 1.0, iSeed);
}

bool ExpFileWrite(const std::string &path, std::span<const ExpTerm> aTerms, std::uint64_t iSeed) {
    return FileWrite(
        path, 0, 0.05, [&](double dTime) { return ExpSum(aTerms, dTime); }, 0.5, iSeed);
}

// Reads the term values of argv[4...] into groups of iPerTerm; false when one
// does not convert or a group is incomplete.
bool TermValuesRead(int argc, char **argv, int iPerTerm, std::vector<double> *pValues) {
    for (int iArg = 4; iArg < argc; iArg++) {
        char *pEnd = nullptr;
        pValues->push_back(std::strtod(argv[iArg], &pEnd));
        if (pEnd == argv[iArg] || *pEnd != '\0') {
            return false;
        }
    }
    return !pValues->empty() && pValues->size() % iPerTerm == 0;
}

// VaroDemoData gauss|exp <file> <seed> <term values...>
int OneFileWrite(int argc, char **argv) {
    const std::string family = argv[1];
    const int iPerTerm = family == "gauss" ? 3 : family == "exp" ? 2 : 0;
    std::vector<double> adValues;
    char *pEnd = nullptr;
    const std::uint64_t iSeed = std::strtoull(argv[3], &pEnd, 10);
    if (iPerTerm == 0 || *pEnd != '\0' || !TermValuesRead(argc, argv, iPerTerm, &adValues)) {
        std::fprintf(stderr, "usage: VaroDemoData gauss|exp <file> <seed> <term values...>\n");
        return 2;
    }
    bool bWritten = false;
    if (iPerTerm == 3) {
        std::vector<GaussTerm> aTerms;
        for (size_t i = 0; i < adValues.size(); i += 3) {
            aTerms.push_back({adValues[i], adValues[i + 1], adValues[i + 2]});
        }
        bWritten = GaussFileWrite(argv[2], aTerms, iSeed);
    } else {
        std::vector<ExpTerm> aTerms;
        for (size_t i = 0; i < adValues.size(); i += 2) {
            aTerms.push_back({adValues[i], adValues[i + 1]});
        }
        bWritten = ExpFileWrite(argv[2], aTerms, iSeed);
    }
    return bWritten ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 5) {
        return OneFileWrite(argc, argv);
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: VaroDemoData <folder>\n"
                             "       VaroDemoData gauss|exp <file> <seed> <term values...>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool bGauss = GaussFileWrite(folder + "/GaussDemo.dat", aGaussTerms, kGaussSeed);
    const bool bExp = ExpFileWrite(folder + "/ExpDemo.dat", aExpTerms, kExpSeed);
    return bGauss && bExp ? 0 : 1;
}
