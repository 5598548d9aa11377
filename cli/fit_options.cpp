// The command line of varo-fit, read with CLI11.
#include "cli/fit_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <map>
#include <thread>

#include <CLI/CLI.hpp>

#include "models/model_grammar.h"

namespace {

// More threads than this would only wait on each other, and the library holds
// at most 100 fit objects at once.
constexpr int kMaxJobs = 64;

const char *const kDescription =
    "Fits a model (peaks, decays, a baseline, a formula) to every data file and writes one "
    "record per file, in the order given, on standard output. A data file is a table: columns "
    "separated by commas, semicolons, tabs or white space, an optional header row, comment "
    "lines starting with # or %; the demos' files (time, data and an optional weight) read as "
    "they are. Status 0 is a converged fit; a positive status is the library's return code; "
    "-1 a file that cannot be opened or read, -2 a chosen cell that is missing or not a finite "
    "number, -3 a file of more than 1000000 rows, -4 a line longer than 1 MiB, -5 a file of no "
    "data rows (in the range, or of a weight other than 0), -6 a sigma that is zero or "
    "negative, -7 a chosen column that does not exist, -8 an error while reading or fitting "
    "(such as running out of memory). Exit status: 0 when every file fitted, 1 when any did not or "
    "the records could not be "
    "written, 2 for a usage error.";

// Delimiters by the names --delimiter takes; a blank stands for white space.
const std::map<std::string, char> kDelimiters = {
    {"comma", ','}, {"semicolon", ';'}, {"tab", '\t'}, {"space", ' '}};

const char *const kModelHelp =
    "terms joined by +: gauss:N, lorentz:N, voigt:N, pvoigt:N, exp:N (N terms, "
    "1 to 10), const, linear, poly:K (K 1 to 5), formula:EXPR (last; its "
    "variables other than x are parameters), e.g. voigt:3+linear";

// A number, the whole text; false when it is not one.
bool NumberRead(std::string_view text, double *pdValue) {
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), *pdValue);
    return !text.empty() && error == std::errc() && pEnd == text.data() + text.size();
}

// "NAME=VALUE" cut at its first "="; false when there is none or no name.
bool NameValueSplit(const std::string &item, std::string *pName, std::string *pValue) {
    const size_t iEqual = item.find('=');
    if (iEqual == std::string::npos || iEqual == 0) {
        return false;
    }
    *pName = item.substr(0, iEqual);
    *pValue = item.substr(iEqual + 1);
    return true;
}

// The robust losses by the names --loss takes, as the library numbers them.
const std::map<std::string, int> kLosses = {
    {"linear", 0}, {"soft_l1", 1}, {"huber", 2}, {"cauchy", 3}, {"arctan", 4}};

// --loss NAME[:SCALE].
std::string LossRead(const std::string &text, FitSettings *pSettings) {
    const size_t iColon = text.find(':');
    const auto loss = kLosses.find(text.substr(0, iColon));
    double dScale = 1.0;
    if (loss == kLosses.end() ||
        (iColon != std::string::npos &&
         !(NumberRead(std::string_view(text).substr(iColon + 1), &dScale) && dScale > 0.0 &&
           std::isfinite(dScale)))) {
        return "--loss: expected linear, soft_l1, huber, cauchy or arctan with an optional "
               ":SCALE, a positive number, got '" +
               text + "'";
    }
    pSettings->iLoss = loss->second;
    pSettings->dLossScale = dScale;
    return "";
}

// --intervals L1,L2,...: probabilities between 0 and 1, kept as written for
// the column names.
std::string IntervalsRead(const std::vector<std::string> &items, FitOptions *pOptions) {
    for (const std::string &item : items) {
        double dLevel = 0.0;
        if (!NumberRead(item, &dLevel) || !(dLevel > 0.0 && dLevel < 1.0)) {
            return "--intervals: expected probabilities between 0 and 1, got '" + item + "'";
        }
        pOptions->settings.adIntervalLevels.push_back(dLevel);
        pOptions->intervalLabels.push_back(item);
    }
    return "";
}

// --start: all values in order, or all NAME=V.
std::string StartRead(const std::vector<std::string> &items, FitSettings *pSettings) {
    const bool bByName = !items.empty() && items[0].find('=') != std::string::npos;
    for (const std::string &item : items) {
        std::string name, value;
        double dValue = 0;
        const bool bRead = bByName
                               ? NameValueSplit(item, &name, &value) && NumberRead(value, &dValue)
                               : NumberRead(item, &dValue);
        if (!bRead) {
            return "--start: expected " + std::string(bByName ? "NAME=VALUE" : "a number") +
                   " (all values in order, or all by name), got '" + item + "'";
        }
        if (bByName) {
            pSettings->startByName[name] = dValue;
        } else {
            pSettings->adStartInOrder.push_back(dValue);
        }
    }
    return "";
}

// --limit NAME=LO:HI, an empty end open.
std::string LimitsRead(const std::vector<std::string> &items, FitSettings *pSettings) {
    for (const std::string &item : items) {
        std::string name, value;
        ParamRange range;
        const size_t iColon = item.find(':', item.find('='));
        bool bRead = NameValueSplit(item, &name, &value) && iColon != std::string::npos;
        if (bRead) {
            const std::string_view ends(value);
            const size_t iSplit = ends.find(':');
            const std::string_view lower = ends.substr(0, iSplit);
            const std::string_view upper = ends.substr(iSplit + 1);
            bRead = (lower.empty() || NumberRead(lower, &range.dLower)) &&
                    (upper.empty() || NumberRead(upper, &range.dUpper));
        }
        if (!bRead) {
            return "--limit: expected NAME=LOW:HIGH (an empty end is open), got '" + item + "'";
        }
        pSettings->limitByName[name] = range;
    }
    return "";
}

// --fix NAME=V.
std::string FixedRead(const std::vector<std::string> &items, FitSettings *pSettings) {
    for (const std::string &item : items) {
        std::string name, value;
        double dValue = 0;
        if (!NameValueSplit(item, &name, &value) || !NumberRead(value, &dValue)) {
            return "--fix: expected NAME=VALUE, got '" + item + "'";
        }
        pSettings->fixByName[name] = dValue;
    }
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

// Makes the folder of the pictures when it is missing; the reason it cannot
// be made, or an empty text.
std::string PlotDirMake(const std::string &dir) {
    std::error_code error;
    if (dir.empty() || std::filesystem::is_directory(dir, error)) {
        return "";
    }
    std::filesystem::create_directories(dir, error);
    return error ? "--plot: cannot make the folder '" + dir + "': " + error.message() : "";
}

int DefaultJobs() {
    const unsigned iCores = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(iCores), 1, kMaxJobs);
}

} // namespace

int FitOptionsParse(int argc, char **argv, FitOptions *pOptions) {
    CLI::App app(kDescription, "varo-fit");
    app.failure_message(CLI::FailureMessage::help);
    FitSettings &settings = pOptions->settings;
    std::string model;
    std::vector<std::string> starts, limits, fixed;
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
    app.add_option("--model", model, kModelHelp)->required();
    app.add_option("--start", starts,
                   "start values: all parameters in order (v1,v2,...) or some by name "
                   "(NAME=V,...); the others are found from each file's data")
        ->delimiter(',');
    app.add_option("--limit", limits,
                   "limits by name, NAME=LOW:HIGH,... (an empty end is open); they replace "
                   "the model's default limits of that parameter")
        ->delimiter(',');
    app.add_option("--fix", fixed, "fixed values by name, NAME=V,...")->delimiter(',');
    app.add_option("--derivatives", derivatives,
                   "analytic (formulas: the library's numerical ones), numeric (central "
                   "differences) or forward (forward differences, half the evaluations)")
        ->check(CLI::IsMember({"analytic", "numeric", "forward"}))
        ->capture_default_str();
    std::string loss;
    app.add_option("--loss", loss,
                   "robust loss NAME[:SCALE]: linear (least squares, the default), soft_l1, "
                   "huber, cauchy or arctan; SCALE (default 1) is the residual size, in units "
                   "of the weighted residuals, beyond which the loss grows more slowly");
    std::vector<std::string> intervals;
    app.add_option("--intervals", intervals,
                   "profile-likelihood intervals at these probabilities, e.g. 0.6827,0.95: "
                   "columns NAME_low_P and NAME_high_P")
        ->delimiter(',');
    app.add_option("--method", method, "step method: eigen or damped")
        ->check(CLI::IsMember({"eigen", "damped"}))
        ->capture_default_str();
    app.add_option("--max-iterations", settings.iMaxIterations,
                   "iteration limit; -1: 100 times the number of parameters")
        ->check(CLI::Range(-1, 1000000))
        ->capture_default_str();
    app.add_option("--res-norm-change", settings.resNormChange,
                   "tolerance: relative decrease of the residual norm that ends the fit, "
                   "in (0, 1]; default 1e-4");
    app.add_option("--par-val-change", settings.parValChange,
                   "tolerance: relative parameter change counted as significant, in (0, 0.1]; "
                   "default 1e-4");
    app.add_option("--log-dir", pOptions->logDir, "folder for one library log file per input")
        ->check(CLI::ExistingDirectory);
    app.add_option("--plot", pOptions->plotDir,
                   "folder (made when missing) for one picture per input file, "
                   "<position>-<file name>.png: data, fit, 95 % confidence band, terms, "
                   "baseline, residuals");
    std::string pictureFormat = "png";
    app.add_option("--plot-format", pictureFormat, "format of the pictures: png or svg")
        ->check(CLI::IsMember({"png", "svg"}))
        ->capture_default_str();
    app.add_option("--report", pOptions->reportPath,
                   "HTML page of the batch: summary, one row per file with a thumbnail, "
                   "sortable and filtered, failed fits first, doubtful ones flagged");
    app.add_option("--jobs,-j", pOptions->iJobs, "files fitted at once")
        ->check(CLI::Range(1, kMaxJobs))
        ->capture_default_str();
    app.add_option("--format", format, "csv or json")
        ->check(CLI::IsMember({"csv", "json"}))
        ->capture_default_str();
    app.add_option("files", pOptions->files, "data files")->required();
    try {
        app.parse(argc, argv);
        std::string modelError;
        if (!ModelParse(model, &pOptions->model, &modelError)) {
            throw CLI::ValidationError("--model: " + modelError + " of '" + model + "'");
        }
        for (const std::string &error :
             {range.empty() ? "" : RangeRead(range, &table), StartRead(starts, &settings),
              LimitsRead(limits, &settings), FixedRead(fixed, &settings),
              ToleranceCheck("--res-norm-change", settings.resNormChange, 1.0),
              ToleranceCheck("--par-val-change", settings.parValChange, 0.1),
              loss.empty() ? "" : LossRead(loss, &settings), IntervalsRead(intervals, pOptions),
              FitSettingsCheck(pOptions->model, settings)}) {
            if (!error.empty()) {
                throw CLI::ValidationError(error);
            }
        }
        // Made only once everything else is known to be right.
        if (const std::string error = PlotDirMake(pOptions->plotDir); !error.empty()) {
            throw CLI::ValidationError(error);
        }
    } catch (const CLI::ParseError &error) {
        const int iStatus = app.exit(error);
        return iStatus == 0 ? 0 : kUsageStatus;
    }
    table.cDelimiter = delimiter.empty() ? 0 : kDelimiters.at(delimiter);
    table.iHeader = bHeader ? 1 : bNoHeader ? 0 : -1;
    settings.bAnalytic = derivatives == "analytic";
    settings.iDifferenceScheme = derivatives == "forward" ? 1 : 0;
    settings.iStepMethod = method == "damped" ? 1 : 0;
    pOptions->format = format == "json" ? OutputFormat::kJson : OutputFormat::kCsv;
    pOptions->pictureFormat = pictureFormat == "svg" ? PictureFormat::kSvg : PictureFormat::kPng;
    pOptions->modelText = model;
    return -1;
}
