// varo-fit on 200 generated lab spectra (VaroSpectra: 1 to 4 peaks of each
// shape on a sloped baseline, half CSV with a header, half white space with
// comments) from automatic start values: at least 95 % fit with status 0,
// every centre within 3 standard errors of the truth and reduced chi-square
// within 0.7 to 1.3.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/tests/fit_program.h"

namespace {

using nlohmann::json;

constexpr int kNoSpectra = 200;

struct Spectrum {
    std::string file;
    std::vector<double> adCentres; // increasing
};

// The generator's truth.txt by model: "<file> <model> <centre>...".
std::map<std::string, std::vector<Spectrum>> TruthRead(const std::string &folder) {
    std::map<std::string, std::vector<Spectrum>> byModel;
    std::ifstream truth(folder + "/truth.txt");
    std::string line;
    while (std::getline(truth, line)) {
        std::istringstream fields(line);
        Spectrum spectrum;
        std::string model;
        fields >> spectrum.file >> model;
        spectrum.file = folder + "/" + spectrum.file;
        for (double dCentre = 0; fields >> dCentre;) {
            spectrum.adCentres.push_back(dCentre);
        }
        byModel[model].push_back(spectrum);
    }
    return byModel;
}

// What is wrong with the record of a spectrum; empty when nothing is. The
// fitted centres are matched to the true ones in increasing order.
std::string FaultFind(const json &record, const Spectrum &spectrum) {
    if (record["status"] != 0) {
        return "status " + record["status"].dump() + " " + record["message"].dump();
    }
    std::vector<std::pair<double, double>> centres;
    for (size_t k = 1; k <= spectrum.adCentres.size(); k++) {
        const json &mean = record["Mean" + std::to_string(k)];
        const json &error = record["Mean" + std::to_string(k) + "_error"];
        if (!mean.is_number() || !error.is_number()) {
            return "no centre " + std::to_string(k);
        }
        centres.emplace_back(mean.get<double>(), error.get<double>());
    }
    std::sort(centres.begin(), centres.end());
    std::string fault;
    for (size_t k = 0; k < centres.size(); k++) {
        const double dTrue = spectrum.adCentres[k];
        if (!(std::fabs(centres[k].first - dTrue) <= 3 * centres[k].second)) {
            fault += " centre " + std::to_string(centres[k].first) + " +- " +
                     std::to_string(centres[k].second) + ", truth " + std::to_string(dTrue);
        }
    }
    const json &reduced = record["reduced_chi_square"];
    if (!reduced.is_number() || reduced.get<double>() < 0.7 || reduced.get<double>() > 1.3) {
        fault += " reduced chi-square " + reduced.dump();
    }
    return fault;
}

TEST(LabSpectra, NearlyAllFitWithTheirCentresAndTheirNoise) {
    const std::string folder = ScratchFolderMake("lab_spectra");
    const ProgramRun generated =
        ProgramRunAll(VARO_SPECTRA_GENERATOR, {folder, std::to_string(kNoSpectra), "2026"});
    ASSERT_EQ(generated.iStatus, 0) << generated.err;
    int iNoFitted = 0, iNoGood = 0;
    std::string faults;
    for (const auto &[model, spectra] : TruthRead(folder)) {
        std::vector<std::string> args = {"--model", model, "--format", "json", "--jobs", "2"};
        for (const Spectrum &spectrum : spectra) {
            args.push_back(spectrum.file);
        }
        const json records = JsonRecords(FitRun(args));
        ASSERT_EQ(records.size(), spectra.size()) << model;
        for (size_t i = 0; i < spectra.size(); i++) {
            const std::string fault = FaultFind(records[i], spectra[i]);
            iNoFitted++;
            iNoGood += fault.empty();
            faults += fault.empty() ? "" : spectra[i].file + " (" + model + "):" + fault + "\n";
        }
    }
    std::filesystem::remove_all(folder);
    EXPECT_EQ(iNoFitted, kNoSpectra);
    EXPECT_GE(iNoGood, kNoSpectra * 95 / 100) << faults;
    std::printf("%d of %d spectra fitted with all centres and chi-square as expected\n%s", iNoGood,
                iNoFitted, faults.c_str());
}

} // namespace
