// One file: read, fitted by the fit driver with the options' model and
// settings, and the record of the outcome.
#include "cli/file_fit.h"

#include <cmath>
#include <filesystem>
#include <limits>

#include "models/fit_driver.h"

namespace {

constexpr double kNotAvailable = std::numeric_limits<double>::quiet_NaN();

// The message on one line: without its final newline, the newlines and
// carriage returns of a quoted row written as \n and \r.
std::string MessageOneLine(const std::string &message) {
    std::string line;
    for (size_t i = 0; i < message.size(); i++) {
        const char c = message[i];
        if (c == '\n' && i + 1 == message.size()) {
            break;
        }
        line += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    }
    return line;
}

std::string LogPath(const std::string &dir, const std::string &path, int iPosition, int iNoFiles) {
    const std::string position = std::to_string(iPosition);
    const size_t iWidth = std::to_string(iNoFiles).size();
    const std::string name = std::string(iWidth - position.size(), '0') + position + "-" +
                             std::filesystem::path(path).filename().string() + ".log";
    return (std::filesystem::path(dir) / name).string();
}

// Reads the rows; false, with the status and message in the record, when the
// file is refused.
bool RowsRead(const std::string &path, DataRows *pRows, FitRecord *pRecord) {
    std::string message;
    const int iRc = DataFileRowsRead(path.c_str(), kMaxFileRows, pRows, &message);
    if (iRc == kDataFileNotOpened || iRc == kDataFileRowRefused) {
        pRecord->iStatus = iRc == kDataFileNotOpened ? kStatusNotOpened : kStatusRowRefused;
        pRecord->message = MessageOneLine(message);
        return false;
    }
    if (pRows->iNoRowsIgnored > 0) {
        pRecord->iStatus = kStatusTooManyRows;
        pRecord->message =
            "File '" + path + "' has more than " + std::to_string(kMaxFileRows) + " rows";
        return false;
    }
    return true;
}

// The outcome of the fit into the record: the parameters, then the derived
// quantities.
void OutcomeTake(FitOutcome outcome, FitRecord *pRecord) {
    pRecord->iStatus = outcome.iStatus;
    pRecord->message = MessageOneLine(outcome.message);
    pRecord->iIterations = outcome.iIterations;
    pRecord->dChiSquare = outcome.dChiSquare;
    pRecord->iDegreesOfFreedom = outcome.iDegreesOfFreedom;
    pRecord->dReducedChiSquare = outcome.dReducedChiSquare;
    if (outcome.adValues.empty()) {
        return;
    }
    pRecord->adShown = std::move(outcome.adValues);
    pRecord->adShown.insert(pRecord->adShown.end(), outcome.adDerived.begin(),
                            outcome.adDerived.end());
    pRecord->adShownErrors = std::move(outcome.adErrors);
    pRecord->adShownErrors.insert(pRecord->adShownErrors.end(), outcome.adDerivedErrors.begin(),
                                  outcome.adDerivedErrors.end());
}

} // namespace

FitRecord FileFit(const std::string &path, int iPosition, int iNoFiles, const FitOptions &options) {
    FitRecord record;
    record.file = path;
    record.dChiSquare = kNotAvailable;
    record.dReducedChiSquare = kNotAvailable;
    DataRows rows;
    if (!RowsRead(path, &rows, &record)) {
        return record;
    }
    FitSettings settings = options.settings;
    if (!options.logDir.empty()) {
        settings.logPath = LogPath(options.logDir, path, iPosition, iNoFiles);
    }
    OutcomeTake(ModelFit(options.model, rows, settings), &record);
    return record;
}
