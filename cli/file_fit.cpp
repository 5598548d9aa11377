// One file: read, fit object set up from the options, fit, and the record of
// the outcome with the statistics the library forms.
#include "cli/file_fit.h"

#include <cmath>
#include <limits>

#include "cli/fit_callbacks.h"
#include "cli/log_name.h"

namespace {

constexpr double kNotAvailable = std::numeric_limits<double>::quiet_NaN();

// Deletes the fit object on every way out (also one created with code 1000,
// which exists).
class FitObject {
  public:
    FitObject() { iCreateRc = VaroObjectCreate(&iHandle); }
    ~FitObject() {
        if (iHandle != 0) {
            VaroObjectDelete(iHandle);
        }
    }
    FitObject(const FitObject &) = delete;
    FitObject &operator=(const FitObject &) = delete;

    VaroHandle iHandle = 0;
    int iCreateRc;
};

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

// The start values of all terms as parameters.
std::vector<double> StartParams(const FitProblem &problem, const FitOptions &options) {
    const ModelFamily &family = *problem.pFamily;
    const int iPerTerm = family.iParamsPerTerm;
    std::vector<double> adShown = options.adStartShown;
    if (adShown.empty()) {
        adShown.resize(problem.iNoTerms * iPerTerm);
        family.StartValuesFind(problem.rows, problem.iNoTerms, adShown.data());
    }
    std::vector<double> adParams(adShown.size());
    for (int iTerm = 0; iTerm < problem.iNoTerms; iTerm++) {
        family.ShownToParams(&adShown[iTerm * iPerTerm], &adParams[iTerm * iPerTerm]);
    }
    return adParams;
}

// Configures the object for the problem; returns 0 or the first failing code.
int ObjectConfigure(VaroHandle iHandle, FitProblem *pProblem, const FitOptions &options,
                    const std::string &logPath) {
    int iRc = logPath.empty() ? 0 : VaroLogFileOpen(iHandle, logPath.c_str());
    const int iNoParams = static_cast<int>(pProblem->adParams.size());
    if (iRc == 0) {
        iRc = VaroStepMethodSet(iHandle, options.iStepMethod);
    }
    if (iRc == 0) {
        iRc = VaroNoModelsSet(iHandle, 1);
    }
    if (iRc == 0) {
        iRc = VaroModelCallbackSet(iHandle, kFitModel, ModelCallback);
    }
    if (iRc == 0 && options.bAnalytic) {
        iRc = VaroGradientCallbackSet(iHandle, kFitModel, GradientCallback);
    }
    if (iRc == 0) {
        iRc = VaroProgressCallbackSet(iHandle, ProgressCallback);
    }
    if (iRc == 0) {
        iRc = VaroModelDataPointerSet(iHandle, kFitModel, pProblem);
    }
    if (iRc == 0) {
        iRc = VaroNoModelParamsSet(iHandle, kFitModel, iNoParams);
    }
    const std::vector<double> adStart = StartParams(*pProblem, options);
    for (int iParam = 1; iParam <= iNoParams && iRc == 0; iParam++) {
        iRc = VaroParamIniValueSet(iHandle, kFitModel, iParam, adStart[iParam - 1]);
    }
    pProblem->adLastParams = adStart;
    if (iRc == 0) {
        iRc = VaroMaxNoIterationsSet(iHandle, options.iMaxIterations);
    }
    if (iRc == 0 && options.resNormChange) {
        iRc = VaroResNormChangeTerminationSet(iHandle, *options.resNormChange);
    }
    if (iRc == 0 && options.parValChange) {
        iRc = VaroParValChangeTerminationSet(iHandle, *options.parValChange);
    }
    if (iRc == 0) {
        iRc = VaroCovarianceSet(iHandle, 1);
    }
    return iRc;
}

// The values reached and the statistics into the record: after a fit that
// converged the library's fitted values, otherwise those of the last
// iteration; the chi-square and degrees of freedom are the library's, or
// formed here at the values reported when the library has none.
void ResultsRead(VaroHandle iHandle, int iProcessingRc, FitProblem *pProblem, FitRecord *pRecord) {
    const ModelFamily &family = *pProblem->pFamily;
    const int iPerTerm = family.iParamsPerTerm;
    const int iNoParams = static_cast<int>(pProblem->adParams.size());
    std::vector<double> adValues = pProblem->adLastParams;
    std::vector<double> adErrors(iNoParams, kNotAvailable);
    // The statistics exist only after a fit that converged; not asking for
    // them otherwise keeps refusals out of the log file.
    for (int iParam = 1; iParam <= iNoParams && iProcessingRc == 0; iParam++) {
        VaroParamCurValueGet(iHandle, kFitModel, iParam, &adValues[iParam - 1]);
        double dError = 0.0;
        if (VaroParamStdErrorGet(iHandle, kFitModel, iParam, &dError) == 0) {
            adErrors[iParam - 1] = dError;
        }
    }
    VaroCurrentIterationGet(iHandle, &pRecord->iIterations);
    if (iProcessingRc != 0 || VaroChiSquareGet(iHandle, &pRecord->dChiSquare) != 0 ||
        VaroDegreesOfFreedomGet(iHandle, &pRecord->iDegreesOfFreedom) != 0) {
        std::vector<double> adResiduals;
        ResidualsCompute(*pProblem, adValues, &adResiduals);
        pRecord->dChiSquare = 0.0;
        for (double dResidual : adResiduals) {
            pRecord->dChiSquare += dResidual * dResidual;
        }
        pRecord->iDegreesOfFreedom = static_cast<int>(adResiduals.size()) - iNoParams;
    }
    pRecord->dReducedChiSquare = pRecord->iDegreesOfFreedom > 0
                                     ? pRecord->dChiSquare / pRecord->iDegreesOfFreedom
                                     : kNotAvailable;
    pRecord->adShown.resize(iNoParams);
    pRecord->adShownErrors.resize(iNoParams);
    for (int iTerm = 0; iTerm < pProblem->iNoTerms; iTerm++) {
        const int iFirst = iTerm * iPerTerm;
        family.ParamsToShown(&adValues[iFirst], &pRecord->adShown[iFirst]);
        family.StdErrorsToShown(&adValues[iFirst], &adErrors[iFirst],
                                &pRecord->adShownErrors[iFirst]);
    }
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

} // namespace

FitRecord FileFit(const std::string &path, int iPosition, int iNoFiles, const FitOptions &options) {
    FitRecord record;
    record.file = path;
    record.dChiSquare = kNotAvailable;
    record.dReducedChiSquare = kNotAvailable;
    FitProblem problem{options.pFamily, options.iNoTerms, {}, {}, {}, {}};
    if (!RowsRead(path, options.table, &problem.rows, &record)) {
        return record;
    }
    problem.adParams.resize(options.iNoTerms * options.pFamily->iParamsPerTerm);
    FitObject object;
    if (object.iCreateRc != 0) {
        record.iStatus = object.iCreateRc;
        record.message = "The fit object could not be created";
        return record;
    }
    const std::string logPath =
        options.logDir.empty() ? "" : LogPath(options.logDir, path, iPosition, iNoFiles);
    int iRc = ObjectConfigure(object.iHandle, &problem, options, logPath);
    const bool bProcessed = iRc == 0;
    if (bProcessed) {
        iRc = VaroProcessing(object.iHandle);
    }
    record.iStatus = iRc;
    if (iRc != 0) {
        record.message = MessageOneLine(VaroErrorStringGet(object.iHandle));
    }
    if (bProcessed) {
        ResultsRead(object.iHandle, iRc, &problem, &record);
    }
    return record;
}
