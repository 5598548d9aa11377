// The command line of varo-fit, read with CLI11.
#include "cli/fit_options.h"

#include <algorithm>
#include <charconv>
#include <thread>

#include <CLI/CLI.hpp>

namespace {

// More threads than this would only wait on each other, and the library holds
// at most 100 fit objects at once.
constexpr int kMaxJobs = 64;

const char *const kDescription =
    "Fits a sum of gaussians or of decaying exponentials to every data file "
    "(rows of time, data and an optional weight) and writes one record per "
    "file, in the order given, on standard output. Status 0 is a converged fit; "
    "a positive status is the library's return code; -1 a file that cannot be "
    "opened, -2 a row that is not two or three finite numbers, -3 a file of "
    "more rows than are read. Exit status: 0 when every file fitted, 1 when "
    "any did not, 2 for a usage error.";

// Reads "gauss:N" or "exp:N", N from 1 to kFamilyMaxTerms, into the options;
// returns the message of a usage error, or an empty text.
std::string ModelRead(const std::string &text, FitOptions *pOptions) {
    const std::string error = "--model: expected gauss:N or exp:N with N from 1 to " +
                              std::to_string(kFamilyMaxTerms) + ", got '" + text + "'";
    const size_t iColon = text.find(':');
    if (iColon == std::string::npos) {
        return error;
    }
    const ModelFamily *pFamily = ModelFamilyFind(std::string_view(text).substr(0, iColon));
    int iNoTerms = 0;
    const char *pszLast = text.data() + text.size();
    const auto [pEnd, result] = std::from_chars(text.data() + iColon + 1, pszLast, iNoTerms);
    if (pFamily == nullptr || result != std::errc() || pEnd != pszLast || iNoTerms < 1 ||
        iNoTerms > kFamilyMaxTerms) {
        return error;
    }
    pOptions->pFamily = pFamily;
    pOptions->iNoTerms = iNoTerms;
    return "";
}

// A tolerance outside (0, dUpper]; empty when it is inside or not given.
std::string ToleranceCheck(const char *pszOption, const std::optional<double> &value,
                           double dUpper) {
    if (!value || (*value > 0 && *value <= dUpper)) {
        return "";
    }
    return std::string(pszOption) + ": expected a value in (0, " + CLI::detail::to_string(dUpper) +
           "], got " + CLI::detail::to_string(*value);
}

int DefaultJobs() {
    const unsigned iCores = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(iCores), 1, kMaxJobs);
}

} // namespace

int FitOptionsParse(int argc, char **argv, FitOptions *pOptions) {
    CLI::App app(kDescription, "varo-fit");
    app.failure_message(CLI::FailureMessage::help);
    std::string model;
    std::string derivatives = "analytic";
    std::string method = "damped";
    std::string format = "csv";
    pOptions->iJobs = DefaultJobs();
    app.add_option("--model", model, "gauss:N (sum of N gaussians) or exp:N (N exponentials)")
        ->required();
    app.add_option("--start", pOptions->adStartShown,
                   "start values of all terms: A,M,S per gaussian or A,G per exponential; "
                   "found from each file's data when not given")
        ->delimiter(',');
    app.add_option("--derivatives", derivatives, "analytic or numeric")
        ->check(CLI::IsMember({"analytic", "numeric"}))
        ->capture_default_str();
    app.add_option("--method", method, "step method: eigen or damped")
        ->check(CLI::IsMember({"eigen", "damped"}))
        ->capture_default_str();
    app.add_option("--max-iterations", pOptions->iMaxIterations,
                   "iteration limit; -1: 100 times the number of parameters")
        ->check(CLI::Range(-1, 1000000))
        ->capture_default_str();
    app.add_option("--res-norm-change", pOptions->resNormChange,
                   "tolerance: relative decrease of the residual norm that ends the fit, "
                   "in (0, 1]; default 1e-4");
    app.add_option("--par-val-change", pOptions->parValChange,
                   "tolerance: relative parameter change counted as significant, in (0, 0.1]; "
                   "default 1e-4");
    app.add_option("--log-dir", pOptions->logDir, "folder for one library log file per input")
        ->check(CLI::ExistingDirectory);
    app.add_option("--jobs,-j", pOptions->iJobs, "files fitted at once")
        ->check(CLI::Range(1, kMaxJobs))
        ->capture_default_str();
    app.add_option("--format", format, "csv or json")
        ->check(CLI::IsMember({"csv", "json"}))
        ->capture_default_str();
    app.add_option("files", pOptions->files, "data files")->required();
    try {
        app.parse(argc, argv);
        for (const std::string &error :
             {ModelRead(model, pOptions),
              ToleranceCheck("--res-norm-change", pOptions->resNormChange, 1.0),
              ToleranceCheck("--par-val-change", pOptions->parValChange, 0.1)}) {
            if (!error.empty()) {
                throw CLI::ValidationError(error);
            }
        }
        const size_t iNoValues = static_cast<size_t>(pOptions->iNoTerms) *
                                 static_cast<size_t>(pOptions->pFamily->iParamsPerTerm);
        if (!pOptions->adStartShown.empty() && pOptions->adStartShown.size() != iNoValues) {
            throw CLI::ValidationError("--start: expected " + std::to_string(iNoValues) +
                                       " values for " + model + ", got " +
                                       std::to_string(pOptions->adStartShown.size()));
        }
    } catch (const CLI::ParseError &error) {
        const int iStatus = app.exit(error);
        return iStatus == 0 ? 0 : kUsageStatus;
    }
    pOptions->bAnalytic = derivatives == "analytic";
    pOptions->iStepMethod = method == "damped" ? 1 : 0;
    pOptions->format = format == "json" ? OutputFormat::kJson : OutputFormat::kCsv;
    return -1;
}
