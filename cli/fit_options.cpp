// The command line of varo-fit, read with CLI11.
#include "cli/fit_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <thread>

#include <CLI/CLI.hpp>

namespace {

// More threads than this would only wait on each other, and the library holds
// at most 100 fit objects at once.
constexpr int kMaxJobs = 64;

const char *const kDescription =
    "Fits a sum of gaussians or of decaying exponentials to every data file and writes one "
    "record per file, in the order given, on standard output. A data file is a table: columns "
    "separated by commas, semicolons, tabs or white space, an optional header row, comment "
    "lines starting with # or %; the demos' files (time, data and an optional weight) read as "
    "they are. Status 0 is a converged fit; a positive status is the library's return code; "
    "-1 a file that cannot be opened or read, -2 a chosen cell that is missing or not a finite "
    "number, -3 a file of more than 1000000 rows, -4 a line longer than 1 MiB, -5 a file of no "
    "data rows (in the range), -6 a sigma that is zero or negative, -7 a chosen column that "
    "does not exist, -8 an error while reading or fitting (such as running out of memory). "
    "Exit status: 0 when every file fitted, 1 when any did not or the records could not be "
    "written, 2 for a usage error.";

// Delimiters by the names --delimiter takes; a blank stands for white space.
const std::map<std::string, char> kDelimiters = {
    {"comma", ','}, {"semicolon", ';'}, {"tab", '\t'}, {"space", ' '}};

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

// Reads "XMIN:XMAX" into the table options; an empty side is unbounded.
// Returns the message of a usage error, or an empty text.
std::string RangeRead(const std::string &text, TableOptions *pTable) {
    const size_t iColon = text.find(':');
    double adBounds[2] = {-HUGE_VAL, HUGE_VAL};
    const std::string sides[2] = {text.substr(0, iColon),
                                  iColon == std::string::npos ? "" : text.substr(iColon + 1)};
    bool bValid = iColon != std::string::npos;
    for (int i = 0; i < 2 && bValid; i++) {
        const char *pLast = sides[i].data() + sides[i].size();
        const auto [pEnd, result] = std::from_chars(sides[i].data(), pLast, adBounds[i]);
        bValid = sides[i].empty() || (result == std::errc() && pEnd == pLast);
    }
    if (!bValid || !(adBounds[0] <= adBounds[1])) {
        return "--range: expected XMIN:XMAX with XMIN <= XMAX, got '" + text + "'";
    }
    pTable->range = {adBounds[0], adBounds[1]};
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
    std::string range;
    pOptions->iJobs = DefaultJobs();
    TableOptions &table = pOptions->table;
    std::string delimiter;
    app.add_option("--delimiter", delimiter,
                   "column separator: comma, semicolon, tab or space (runs of blanks and tabs); "
                   "detected when not given")
        ->check(CLI::IsMember(kDelimiters));
    bool bHeader = false, bNoHeader = false;
    CLI::Option *pHeader = app.add_flag(
        "--header", bHeader, "the first line that is not blank or a comment is a header row");
    app.add_flag("--no-header", bNoHeader, "the file has no header row")->excludes(pHeader);
    app.add_option("--x", table.x, "column of x (time): header name or number from 1")
        ->capture_default_str();
    app.add_option("--y", table.y, "column of the data: header name or number from 1")
        ->capture_default_str();
    CLI::Option *pSigma = app.add_option(
        "--sigma", table.sigma, "column of the data's standard deviations (weight 1/sigma)");
    app.add_option("--weight", table.weight,
                   "column of the weights; without --sigma or --weight the third column of a "
                   "file without header row")
        ->excludes(pSigma);
    app.add_option("--range", range, "XMIN:XMAX: only rows with x in [XMIN, XMAX] are fitted");
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
             {ModelRead(model, pOptions), range.empty() ? "" : RangeRead(range, &table),
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
    table.cDelimiter = delimiter.empty() ? 0 : kDelimiters.at(delimiter);
    table.iHeader = bHeader ? 1 : bNoHeader ? 0 : -1;
    pOptions->bAnalytic = derivatives == "analytic";
    pOptions->iStepMethod = method == "damped" ? 1 : 0;
    pOptions->format = format == "json" ? OutputFormat::kJson : OutputFormat::kCsv;
    return -1;
}
