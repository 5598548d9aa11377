// One file: read, fitted by the fit driver with the options' model and
// settings, drawn, and the record of the outcome.
#include "cli/file_fit.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <limits>
#include <new>

#include "cli/output_name.h"
#include "models/fit_driver.h"
#include "plots/fit_curves.h"
#include "plots/fit_picture.h"
#include "plots/fit_thumbnail.h"

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

// The record status of each of the table reader's refusals.
int ReaderStatus(int iRc) {
    switch (iRc) {
    case kTableNotOpened:
        return kStatusNotOpened;
    case kTableCellRefused:
        return kStatusRowRefused;
    case kTableLineTooLong:
        return kStatusLineTooLong;
    case kTableNoRows:
        return kStatusNoRows;
    case kTableSigmaNotPositive:
        return kStatusSigmaNotPositive;
    default:
        return kStatusColumnMissing;
    }
}

// Reads the rows; false, with the status and message in the record, when the
// file is refused.
bool RowsRead(const std::string &path, const TableOptions &table, DataRows *pRows,
              FitRecord *pRecord) {
    std::string message;
    const int iRc = TableFileRead(path.c_str(), table, kMaxFileRows, pRows, &message);
    if (iRc != 0) {
        pRecord->iStatus = ReaderStatus(iRc);
        pRecord->message = message;
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
    pRecord->aiAtLimit = std::move(outcome.aiAtLimit);
    pRecord->adIntervals = std::move(outcome.adIntervals);
}

// The exception being handled as the picture's error; where memory is too
// short even for its text, the record keeps no picture and no error.
void PictureFailureKeep(FitRecord *pRecord) noexcept {
    try {
        try {
            throw;
        } catch (const std::bad_alloc &) {
            pRecord->pictureError = "out of memory while drawing the picture";
        } catch (const std::exception &error) {
            pRecord->pictureError = std::string("cannot draw the picture: ") + error.what();
        } catch (...) {
            pRecord->pictureError = "cannot draw the picture";
        }
    } catch (...) {
    }
}

// The picture and the thumbnail of the file into the record, as the options
// ask. Whatever goes wrong here (memory, the model's evaluation, the file)
// is the picture's error, not the fit's.
void PictureDraw(const FitOptions &options, const DataRows &rows, const FitOutcome &outcome,
                 int iStatus, const std::string &message, int iPosition, int iNoFiles,
                 FitRecord *pRecord) noexcept {
    try {
        const FitCurves curves =
            FitCurvesCompute(options.model, rows, outcome, !options.plotDir.empty());
        if (!options.reportPath.empty()) {
            pRecord->thumbnailSvg = FitThumbnailSvg(curves, iStatus == 0);
        }
        if (options.plotDir.empty()) {
            return;
        }
        const std::string path =
            OutputPath(options.plotDir, pRecord->file, iPosition, iNoFiles,
                       options.pictureFormat == PictureFormat::kSvg ? ".svg" : ".png");
        const FitCaption caption = {std::filesystem::path(pRecord->file).filename().string(),
                                    iStatus, message, outcome.dReducedChiSquare};
        pRecord->pictureError = FitPictureWrite(curves, caption, options.pictureFormat, path);
        if (pRecord->pictureError.empty()) {
            pRecord->picturePath = path;
        } else {
            pRecord->pictureError =
                "cannot write the picture '" + path + "': " + pRecord->pictureError;
        }
    } catch (...) {
        PictureFailureKeep(pRecord);
    }
}

} // namespace

FitRecord FileFit(const std::string &path, int iPosition, int iNoFiles, const FitOptions &options) {
    FitRecord record;
    record.file = path;
    record.dChiSquare = kNotAvailable;
    record.dReducedChiSquare = kNotAvailable;
    const bool bDrawn = !options.plotDir.empty() || !options.reportPath.empty();
    DataRows rows;
    if (!RowsRead(path, options.table, &rows, &record)) {
        if (bDrawn) {
            PictureDraw(options, DataRows(), FitOutcome(), record.iStatus, record.message,
                        iPosition, iNoFiles, &record);
        }
        return record;
    }
    FitSettings settings = options.settings;
    if (!options.logDir.empty()) {
        settings.logPath = OutputPath(options.logDir, path, iPosition, iNoFiles, ".log");
    }
    FitOutcome outcome = ModelFit(options.model, rows, settings);
    if (bDrawn) {
        PictureDraw(options, rows, outcome, outcome.iStatus, MessageOneLine(outcome.message),
                    iPosition, iNoFiles, &record);
    }
    OutcomeTake(std::move(outcome), &record);
    return record;
}
