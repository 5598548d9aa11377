// The batch: the workers take the next row from a shared counter and fit it
// with settings of their own; the calling thread polls for progress and
// Ctrl-C, and asks the workers to stop (through the driver's progress hook,
// which ends a fit under way) when either says so.
#include "batch_fit.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "fit_object.h"
#include "models/fit_driver.h"

namespace varo_python {

namespace {

using IntArray = py::array_t<int>;
using LongArray = py::array_t<int64_t>;
using BoolArray = py::array_t<bool>;

// How often the calling thread reports progress and looks for Ctrl-C.
constexpr auto kPollInterval = std::chrono::milliseconds(100);
// More threads would only wait on each other; the library holds at most 100
// fit objects at once, and other Python threads may fit meanwhile.
constexpr int kMaxJobs = 64;
// The library's code of a fit stopped by its progress hook.
constexpr int kStoppedByHook = 10;
// The library's code of statistics that are not available: given to a fit
// that converged without standard errors, so that a row whose parameters the
// data do not determine (a row of zeros: a peak of height 0 has no position
// or width) stands apart from the rows fitted with their errors.
constexpr int kStatisticsUnavailable = 15;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The rows and what belongs to each: sigmas and start values, shared or one
// row of them per row of data.
struct RowsIn {
    std::span<const double> adX;
    const double *adY = nullptr;
    size_t iNoRows = 0;
    const double *adSigma = nullptr; // null: 1 throughout
    bool bSigmaPerRow = false;
    const double *adStarts = nullptr; // one row per data row; null: settings' own
    size_t iNoParams = 0;
    bool bNanOmit = false; // a point whose y or sigma is not finite is left out

    const double *Row(const double *adTable, size_t iRow, bool bPerRow, size_t iWidth) const {
        return adTable + (bPerRow ? iRow * iWidth : 0);
    }
};

// The result arrays, made while the interpreter lock is held and filled row
// by row by the workers without it. A row stays not fitted until stored.
class RowsOut {
  public:
    RowsOut(size_t iNoRows, const Model &model, size_t iNoLevels)
        : iNoParams(static_cast<size_t>(model.ParamCount())),
          iNoDerived(model.DerivedNames().size()), iNoIntervals(2 * iNoLevels * iNoParams),
          values(Shape(iNoRows, iNoParams)), errors(Shape(iNoRows, iNoParams)),
          covariance(Shape(iNoRows, iNoParams, iNoParams)), derived(Shape(iNoRows, iNoDerived)),
          derivedErrors(Shape(iNoRows, iNoDerived)), chiSquare(Shape(iNoRows)),
          domain(Shape(iNoRows, 2)), intervals(Shape(iNoRows, iNoLevels, iNoParams, 2)),
          degreesOfFreedom(Shape(iNoRows)), iterations(Shape(iNoRows)), status(Shape(iNoRows)),
          modelCalls(Shape(iNoRows)), columnCalls(Shape(iNoRows)),
          atLimit(Shape(iNoRows, iNoParams)), messages(iNoRows, "Not fitted: the batch stopped") {
        for (DoubleArray *pArray : {&values, &errors, &covariance, &derived, &derivedErrors,
                                    &chiSquare, &domain, &intervals}) {
            std::fill_n(pArray->mutable_data(), pArray->size(), kNaN);
        }
        std::fill_n(degreesOfFreedom.mutable_data(), iNoRows, -1);
        std::fill_n(iterations.mutable_data(), iNoRows, 0);
        std::fill_n(status.mutable_data(), iNoRows, kRowNotFitted);
        std::fill_n(modelCalls.mutable_data(), iNoRows, 0);
        std::fill_n(columnCalls.mutable_data(), iNoRows, 0);
        std::fill_n(atLimit.mutable_data(), atLimit.size(), false);
    }

    void Store(size_t iRow, const FitOutcome &outcome) {
        Copy(outcome.adValues, &values, iRow, iNoParams);
        Copy(outcome.adErrors, &errors, iRow, iNoParams);
        Copy(outcome.adCovariance, &covariance, iRow, iNoParams * iNoParams);
        Copy(outcome.adDerived, &derived, iRow, iNoDerived);
        Copy(outcome.adDerivedErrors, &derivedErrors, iRow, iNoDerived);
        Copy(outcome.adIntervals, &intervals, iRow, iNoIntervals);
        Copy(std::vector<double>{outcome.dDomainLow, outcome.dDomainHigh}, &domain, iRow, 2);
        for (size_t i = 0; i < outcome.aiAtLimit.size() && i < iNoParams; i++) {
            atLimit.mutable_data()[iRow * iNoParams + i] = outcome.aiAtLimit[i] != 0;
        }
        chiSquare.mutable_data()[iRow] = outcome.dChiSquare;
        degreesOfFreedom.mutable_data()[iRow] = outcome.iDegreesOfFreedom;
        iterations.mutable_data()[iRow] = outcome.iIterations;
        modelCalls.mutable_data()[iRow] = outcome.iNoModelCalls;
        columnCalls.mutable_data()[iRow] = outcome.iNoColumnCalls;
        status.mutable_data()[iRow] = outcome.iStatus;
        messages[iRow] = outcome.message;
    }

    // A row whose fit could not even be set up for want of memory.
    void Fail(size_t iRow) noexcept {
        status.mutable_data()[iRow] = kFitExceptionCaught;
        messages[iRow].clear(); // clearing a string never allocates
    }

    py::dict Dict() const {
        py::dict arrays;
        arrays["values"] = values;
        arrays["errors"] = errors;
        arrays["covariance"] = covariance;
        arrays["derived"] = derived;
        arrays["derived_errors"] = derivedErrors;
        arrays["chi_square"] = chiSquare;
        arrays["domain"] = domain;
        arrays["intervals"] = intervals;
        arrays["degrees_of_freedom"] = degreesOfFreedom;
        arrays["iterations"] = iterations;
        arrays["status"] = status;
        arrays["nfev"] = modelCalls;
        arrays["njev"] = columnCalls;
        arrays["at_limit"] = atLimit;
        arrays["message"] = messages;
        return arrays;
    }

  private:
    template <typename... Sizes>
    static std::vector<py::ssize_t> Shape(Sizes... sizes) {
        return {static_cast<py::ssize_t>(sizes)...};
    }

    // An outcome's vector into row iRow of an array; left NaN when the
    // outcome has none (a fit refused or not made).
    static void Copy(const std::vector<double> &adFrom, DoubleArray *pTo, size_t iRow,
                     size_t iWidth) {
        if (adFrom.size() == iWidth) {
            std::copy(adFrom.begin(), adFrom.end(), pTo->mutable_data() + iRow * iWidth);
        }
    }

    size_t iNoParams, iNoDerived, iNoIntervals;
    DoubleArray values, errors, covariance, derived, derivedErrors, chiSquare, domain, intervals;
    IntArray degreesOfFreedom, iterations, status;
    LongArray modelCalls, columnCalls;
    BoolArray atLimit;
    std::vector<std::string> messages;
};

// What the workers and the calling thread share.
struct Batch {
    Batch(const Model &model, const RowsIn &in, const FitSettings &settings, RowsOut &out)
        : model(model), in(in), settings(settings), out(out) {}

    const Model &model;
    const RowsIn &in;
    const FitSettings &settings;
    RowsOut &out;
    std::atomic<size_t> iNext{0};
    std::atomic<bool> bStop{false};
    std::atomic<size_t> iNoDone{0};
    // The calling thread is woken when a worker ends, not after every row:
    // a wake-up per row would cost more than a fit.
    std::mutex mutex;
    std::condition_variable workerEnded;
    int iNoRunning = 0; // guarded by mutex
};

std::string PointText(size_t iPoint) {
    return "point " + std::to_string(iPoint + 1);
}

// Row iRow's data for the driver, weighted by 1/sigma; 0, or the status of a
// point that refuses the row, with its message.
int RowTake(const RowsIn &in, size_t iRow, DataRows *pRows, std::string *pMessage) {
    const size_t iNo = in.adX.size();
    const double *adY = in.adY + iRow * iNo;
    const double *adSigma = in.adSigma ? in.Row(in.adSigma, iRow, in.bSigmaPerRow, iNo) : nullptr;
    pRows->adTime.assign(in.adX.begin(), in.adX.end());
    pRows->adData.assign(adY, adY + iNo);
    pRows->adWeight.assign(iNo, 1.0);
    pRows->bSigmaGiven = adSigma != nullptr;
    for (size_t i = 0; i < iNo; i++) {
        const double dSigma = adSigma ? adSigma[i] : 1.0;
        if (!std::isfinite(adY[i]) || !std::isfinite(dSigma)) {
            if (!in.bNanOmit) {
                *pMessage = PointText(i) + ": " + (std::isfinite(adY[i]) ? "sigma" : "y") +
                            " is not a finite number";
                return kRowNotFinite;
            }
            pRows->adWeight[i] = 0.0;
        } else if (!(dSigma > 0 && std::isfinite(1.0 / dSigma))) {
            *pMessage = PointText(i) + ": sigma is not positive (or too small for a weight)";
            return kRowSigmaNotPositive;
        } else {
            pRows->adWeight[i] = 1.0 / dSigma;
        }
    }
    return 0;
}

void ErrorsMissingMark(FitOutcome *pOutcome) {
    const bool bErrors = std::all_of(pOutcome->adErrors.begin(), pOutcome->adErrors.end(),
                                     [](double dError) { return std::isfinite(dError); });
    if (pOutcome->iStatus == 0 && !bErrors) {
        pOutcome->iStatus = kStatisticsUnavailable;
        pOutcome->message = "The fit converged, but its standard errors are not available: the "
                            "data do not determine every parameter, or there are no degrees of "
                            "freedom";
    }
}

// Fits row iRow and stores its outcome, unless the batch stopped the fit.
void RowFit(Batch *pBatch, size_t iRow, FitSettings *pSettings) noexcept {
    try {
        const RowsIn &in = pBatch->in;
        DataRows rows;
        FitOutcome outcome;
        outcome.iStatus = RowTake(in, iRow, &rows, &outcome.message);
        if (outcome.iStatus == 0) {
            if (in.adStarts != nullptr) {
                const double *adStart = in.Row(in.adStarts, iRow, true, in.iNoParams);
                pSettings->adStartInOrder.assign(adStart, adStart + in.iNoParams);
            }
            outcome = ModelFit(pBatch->model, rows, *pSettings);
            ErrorsMissingMark(&outcome);
        }
        if (!(pBatch->bStop && outcome.iStatus == kStoppedByHook)) {
            pBatch->out.Store(iRow, outcome);
        }
    } catch (...) {
        pBatch->out.Fail(iRow);
    }
}

void Work(Batch *pBatch) noexcept {
    const size_t iNoRows = pBatch->in.iNoRows;
    try {
        FitSettings settings = pBatch->settings;
        settings.Progress = [pBatch](int, std::span<const double>) { return !pBatch->bStop; };
        for (size_t i = pBatch->iNext++; i < iNoRows && !pBatch->bStop; i = pBatch->iNext++) {
            RowFit(pBatch, i, &settings);
            pBatch->iNoDone++;
        }
    } catch (...) {
        // No memory for the worker's settings: the other workers take its rows.
    }
    {
        const std::lock_guard lock(pBatch->mutex);
        pBatch->iNoRunning--;
    }
    pBatch->workerEnded.notify_all();
}

// Runs the workers and calls Poll on the calling thread with the rows done,
// every kPollInterval and at the end, until it returns false (which stops
// the batch) or the workers are done.
void WorkersRun(Batch *pBatch, int iJobs, const std::function<bool(size_t)> &Poll) {
    std::vector<std::jthread> workers;
    workers.reserve(static_cast<size_t>(iJobs));
    for (int k = 0; k < iJobs; k++) {
        // Counted before it starts, since a worker may end at once.
        std::unique_lock lock(pBatch->mutex);
        pBatch->iNoRunning++;
        lock.unlock();
        try {
            workers.emplace_back(Work, pBatch);
        } catch (const std::system_error &) {
            // The workers started take all rows; none started is an error.
            lock.lock();
            pBatch->iNoRunning--;
            if (workers.empty()) {
                throw;
            }
            break;
        }
    }
    std::unique_lock lock(pBatch->mutex);
    while (pBatch->iNoRunning > 0) {
        pBatch->workerEnded.wait_for(lock, kPollInterval,
                                     [pBatch] { return pBatch->iNoRunning == 0; });
        const size_t iNoDone = pBatch->iNoDone;
        lock.unlock();
        if (!pBatch->bStop && !Poll(iNoDone)) {
            pBatch->bStop = true;
        }
        lock.lock();
    }
}

int JobsResolve(std::optional<int> jobs, size_t iNoRows) {
    if (jobs && *jobs < 1) {
        throw py::value_error("jobs must be 1 or more, not " + std::to_string(*jobs));
    }
    const int iCores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const int iJobs = std::min(jobs.value_or(iCores), kMaxJobs);
    return static_cast<int>(std::min(static_cast<size_t>(iJobs), iNoRows));
}

RowsIn RowsInMake(const DoubleArray &adX, const DoubleArray &adY,
                  const std::optional<DoubleArray> &sigma, const std::optional<DoubleArray> &starts,
                  size_t iNoParams, bool bNanOmit) {
    if (adX.ndim() != 1 || adY.ndim() != 2 || adY.shape(1) != adX.shape(0)) {
        throw py::value_error("x must have one dimension and y two, the last of x's length");
    }
    RowsIn in;
    in.adX = {adX.data(), static_cast<size_t>(adX.size())};
    in.adY = adY.data();
    in.iNoRows = static_cast<size_t>(adY.shape(0));
    in.iNoParams = iNoParams;
    in.bNanOmit = bNanOmit;
    if (sigma) {
        in.bSigmaPerRow = sigma->ndim() == 2;
        if (sigma->ndim() < 1 || sigma->ndim() > 2 ||
            sigma->shape(sigma->ndim() - 1) != adX.shape(0) ||
            (in.bSigmaPerRow && sigma->shape(0) != adY.shape(0))) {
            throw py::value_error("sigma must have the shape of y or of one of its rows");
        }
        in.adSigma = sigma->data();
    }
    if (starts) {
        if (starts->ndim() != 2 || starts->shape(0) != adY.shape(0) ||
            starts->shape(1) != static_cast<py::ssize_t>(iNoParams)) {
            throw py::value_error("the start values must have one row per row of y and one "
                                  "column per parameter");
        }
        in.adStarts = starts->data();
    }
    return in;
}

// Fits every row of y (rows, points) against x; returns the result arrays by
// name and whether Ctrl-C stopped the batch. An exception of the progress
// function stops the batch and is raised again.
py::tuple RowsFit(const Model &callerModel, DoubleArray adX, DoubleArray adY,
                  std::optional<DoubleArray> sigma, std::optional<DoubleArray> starts,
                  const FitSettings &settings, std::optional<int> jobs, bool bNanOmit,
                  py::object progress) {
    const std::string refusal = FitSettingsCheck(callerModel, settings);
    if (!refusal.empty()) {
        throw py::value_error(refusal);
    }
    // The workers' model: the caller's cannot change under them.
    const Model model(callerModel);
    const RowsIn in = RowsInMake(adX, adY, sigma, starts, model.ParamCount(), bNanOmit);
    RowsOut out(in.iNoRows, model, settings.adIntervalLevels.size());
    Batch batch(model, in, settings, out);
    const int iJobs = JobsResolve(jobs, in.iNoRows);
    std::exception_ptr pFailure;
    bool bInterrupted = false;
    size_t iNoShown = 0;
    const auto Poll = [&](size_t iNoDone) {
        py::gil_scoped_acquire lock;
        try {
            if (PyErr_CheckSignals() != 0) {
                throw py::error_already_set();
            }
            if (!progress.is_none() && iNoDone != iNoShown) {
                progress(iNoDone, in.iNoRows);
                iNoShown = iNoDone;
            }
            return true;
        } catch (py::error_already_set &error) {
            bInterrupted = error.matches(PyExc_KeyboardInterrupt);
            if (!bInterrupted) {
                pFailure = std::current_exception();
            }
        } catch (...) {
            pFailure = std::current_exception();
        }
        return false;
    };
    {
        py::gil_scoped_release unlock;
        WorkersRun(&batch, iJobs, Poll);
    }
    if (pFailure) {
        std::rethrow_exception(pFailure);
    }
    return py::make_tuple(out.Dict(), bInterrupted);
}

} // namespace

void BatchFitBind(py::module_ &module) {
    module.attr("STATUS_NOT_FINITE") = kRowNotFinite;
    module.attr("STATUS_NO_POINTS") = kFitNoRows;
    module.attr("STATUS_SIGMA_NOT_POSITIVE") = kRowSigmaNotPositive;
    module.attr("STATUS_EXCEPTION") = kFitExceptionCaught;
    module.attr("STATUS_SETTING_REFUSED") = kFitSettingRefused;
    module.attr("STATUS_NOT_FITTED") = kRowNotFitted;
    module.def("fit_rows", &RowsFit, py::arg("model"), py::arg("x"), py::arg("y"), py::arg("sigma"),
               py::arg("starts"), py::arg("settings"), py::arg("jobs"), py::arg("nan_omit"),
               py::arg("progress"));
}

} // namespace varo_python
