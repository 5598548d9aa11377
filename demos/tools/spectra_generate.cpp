// VaroSpectra <folder> <count> <seed> [<shape>:<peaks> [<rows>]]: writes
// <count> spectra as labs write them, for the end-to-end tests and the
// benchmark of varo-fit, and a list of their true peak positions.
//
// Spectrum k (0-based) has 1 to 4 peaks of one shape (gauss, lorentz, voigt,
// pvoigt): with no shape given the shapes take turns and the number of peaks
// runs 1, 2, 3, 4 with every round of shapes; otherwise every spectrum has
// <peaks> peaks of <shape>. The peaks lie on a sloped baseline, x runs from
// 400 to 700 in <rows> rows (601 by default), the noise is normal with
// standard deviation 1 and every peak is 20 to 200 high (signal-to-noise 20
// or more). Full widths at half maximum run from 4 to 12 (voigt: gamma/sigma
// from 0.2 to 5), and the centres of two peaks lie at least the larger of
// their full widths apart, inside [430, 670]. Even k are written as
// spectrum_<k>.csv, CSV with the header "wavelength_nm,intensity"; odd k as
// spectrum_<k>.dat, white space with '#' comment lines. truth.txt has one line
// per file: its name, its model for varo-fit (<shape>:<peaks>+linear) and the
// true centres in increasing order.
//
// The values are those of the models layer's terms at the true parameters;
// the noise is the sample generator's (noise_source.h).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "demos/tools/noise_source.h"
#include "models/model_grammar.h"
#include "models/voigt_profile.h"

namespace {

const char *const apszShapes[] = {"gauss", "lorentz", "voigt", "pvoigt"};
constexpr int kNoShapes = 4;
constexpr int kMaxPeaks = 4;
constexpr double kFirstX = 400, kLastX = 700;
constexpr double kFirstCentre = 430, kLastCentre = 670;
constexpr int kMaxPlacements = 10000;

struct Peak {
    double dHeight, dCentre, dFwhm;
};

// Centres at least the larger full width apart: drawn again until they are
// (a few thousand tries at most; the widths allow that easily).
std::vector<Peak> PeaksDraw(NoiseSource &random, int iNoPeaks) {
    std::vector<Peak> peaks(iNoPeaks);
    for (Peak &peak : peaks) {
        peak.dHeight = random.Between(20, 200);
        peak.dFwhm = random.Between(4, 12);
    }
    for (int iTry = 0; iTry < kMaxPlacements; iTry++) {
        for (Peak &peak : peaks) {
            peak.dCentre = random.Between(kFirstCentre, kLastCentre);
        }
        bool bApart = true;
        for (size_t i = 0; i < peaks.size(); i++) {
            for (size_t j = 0; j < i; j++) {
                bApart = bApart && std::fabs(peaks[i].dCentre - peaks[j].dCentre) >=
                                       std::max(peaks[i].dFwhm, peaks[j].dFwhm);
            }
        }
        if (bApart) {
            break;
        }
    }
    std::sort(peaks.begin(), peaks.end(),
              [](const Peak &a, const Peak &b) { return a.dCentre < b.dCentre; });
    return peaks;
}

// The parameters of one peak of a shape (models/terms.h).
std::vector<double> PeakParams(NoiseSource &random, const std::string &shape, const Peak &peak) {
    const double dHalf = peak.dFwhm / 2;
    if (shape == "gauss") {
        return {peak.dHeight, peak.dCentre, dHalf / std::sqrt(2 * std::log(2.0))};
    }
    if (shape == "lorentz") {
        return {peak.dHeight, peak.dCentre, dHalf};
    }
    if (shape == "voigt") {
        const double dRatio = std::exp(random.Between(std::log(0.2), std::log(5.0)));
        const double dScale = dHalf / VoigtHalfWidthCompute(1, dRatio).dValue;
        return {peak.dHeight, peak.dCentre, dScale, dScale * dRatio};
    }
    return {peak.dHeight, peak.dCentre, dHalf, random.Between(0.2, 0.8)};
}

bool SpectrumWrite(const std::string &folder, int k, const std::string &shape, int iNoPeaks,
                   int iNoRows, NoiseSource &random, std::FILE *pTruth) {
    const std::string modelText = shape + ":" + std::to_string(iNoPeaks) + "+linear";
    Model model;
    std::string error;
    if (!ModelParse(modelText, &model, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    const std::vector<Peak> peaks = PeaksDraw(random, iNoPeaks);
    std::vector<double> adParams;
    for (const Peak &peak : peaks) {
        const std::vector<double> adPeak = PeakParams(random, shape, peak);
        adParams.insert(adParams.end(), adPeak.begin(), adPeak.end());
    }
    const double dLeft = random.Between(5, 40), dRight = random.Between(5, 40);
    const double dSlope = (dRight - dLeft) / (kLastX - kFirstX);
    adParams.push_back(dLeft - dSlope * kFirstX);
    adParams.push_back(dSlope);
    std::vector<double> adX(iNoRows), adY(iNoRows);
    for (int i = 0; i < iNoRows; i++) {
        adX[i] = kFirstX + (kLastX - kFirstX) * i / (iNoRows - 1);
    }
    model.Evaluate(adParams.data(), adX, adY.data(), nullptr);

    const bool bCsv = k % 2 == 0;
    const std::string name = "spectrum_" + std::to_string(k) + (bCsv ? ".csv" : ".dat");
    std::FILE *pFile = std::fopen((folder + "/" + name).c_str(), "w");
    if (pFile == nullptr) {
        std::fprintf(stderr, "Cannot write '%s/%s'\n", folder.c_str(), name.c_str());
        return false;
    }
    std::fputs(bCsv ? "wavelength_nm,intensity\n"
                    : "# instrument: VaroSpectra generator\n# columns: wavelength_nm intensity\n",
               pFile);
    for (int i = 0; i < iNoRows; i++) {
        std::fprintf(pFile, bCsv ? "%.6f,%.6f\n" : "%.6f %.6f\n", adX[i],
                     adY[i] + random.Normal(1.0));
    }
    std::fprintf(pTruth, "%s %s", name.c_str(), modelText.c_str());
    for (const Peak &peak : peaks) {
        std::fprintf(pTruth, " %.9g", peak.dCentre);
    }
    std::fputc('\n', pTruth);
    return std::fclose(pFile) == 0;
}

// "<shape>:<peaks>" into its parts; false when it is not one.
bool ShapeRead(const std::string &text, std::string *pShape, int *piNoPeaks) {
    const size_t iColon = text.find(':');
    *pShape = text.substr(0, iColon);
    *piNoPeaks = iColon == std::string::npos ? 0 : std::atoi(text.c_str() + iColon + 1);
    return std::find(std::begin(apszShapes), std::end(apszShapes), *pShape) !=
               std::end(apszShapes) &&
           *piNoPeaks >= 1 && *piNoPeaks <= kMaxPeaks;
}

} // namespace

int main(int argc, char **argv) {
    const int iCount = argc >= 4 ? std::atoi(argv[2]) : 0;
    const int iNoRows = argc >= 6 ? std::atoi(argv[5]) : 601;
    std::string shape;
    int iNoPeaks = 0;
    if (argc < 4 || argc > 6 || iCount < 1 || iNoRows < 2 ||
        (argc >= 5 && !ShapeRead(argv[4], &shape, &iNoPeaks))) {
        std::fprintf(stderr, "usage: VaroSpectra <folder> <count> <seed> [<shape>:<peaks> "
                             "[<rows>]]\n  shape: gauss, lorentz, voigt or pvoigt; peaks 1 to 4\n");
        return 2;
    }
    const std::string folder = argv[1];
    NoiseSource random(std::strtoull(argv[3], nullptr, 10));
    std::FILE *pTruth = std::fopen((folder + "/truth.txt").c_str(), "w");
    if (pTruth == nullptr) {
        std::fprintf(stderr, "Cannot write '%s/truth.txt'\n", folder.c_str());
        return 1;
    }
    bool bWritten = true;
    for (int k = 0; k < iCount && bWritten; k++) {
        const bool bMixed = shape.empty();
        bWritten = SpectrumWrite(folder, k, bMixed ? apszShapes[k % kNoShapes] : shape,
                                 bMixed ? 1 + (k / kNoShapes) % kMaxPeaks : iNoPeaks, iNoRows,
                                 random, pTruth);
    }
    return std::fclose(pTruth) == 0 && bWritten ? 0 : 1;
}
