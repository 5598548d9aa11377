// Automatic start values: baseline, exponentials, peaks, in this order, each
// kind taken out of the data before the next is sought.
#include "models/start_values.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <typeinfo>

#include "models/exp_family.h"
#include "models/peak_search.h"
#include "models/time_series.h"

namespace {

// The ends of the data that the baseline is estimated from: a tenth of the
// rows each, at least this many.
constexpr size_t kEndsDivisor = 10;
constexpr size_t kMinEndRows = 3;

struct Line {
    double dIntercept, dSlope;
};

// Median of adData[iFirst, iLast) at the mean time of those rows.
void EndLevel(const TimeSeries &series, size_t iFirst, size_t iLast, double *pdTime,
              double *pdLevel) {
    std::vector<double> adValues(series.adData.begin() + iFirst, series.adData.begin() + iLast);
    const auto middle = adValues.begin() + adValues.size() / 2;
    std::nth_element(adValues.begin(), middle, adValues.end());
    *pdLevel = *middle;
    double dSum = 0;
    for (size_t i = iFirst; i < iLast; i++) {
        dSum += series.adTime[i];
    }
    *pdTime = dSum / static_cast<double>(iLast - iFirst);
}

// The baseline seen at the ends of the data (series not empty); level only,
// from the last rows, when the data decay.
Line EndsLine(const TimeSeries &series, bool bDecays) {
    const size_t iNo = series.adTime.size();
    const size_t iEnd =
        std::min(std::max(kMinEndRows, iNo / kEndsDivisor), std::max<size_t>(1, iNo / 2));
    double dTimeLeft = 0, dLeft = 0, dTimeRight = 0, dRight = 0;
    EndLevel(series, 0, iEnd, &dTimeLeft, &dLeft);
    EndLevel(series, iNo - iEnd, iNo, &dTimeRight, &dRight);
    if (bDecays || !(dTimeRight > dTimeLeft)) {
        return {bDecays ? dRight : (dLeft + dRight) / 2, 0.0};
    }
    const double dSlope = (dRight - dLeft) / (dTimeRight - dTimeLeft);
    const Line line{dLeft - dSlope * dTimeLeft, dSlope};
    return std::isfinite(line.dIntercept) && std::isfinite(line.dSlope) ? line : Line{0, 0};
}

class StartFinder {
  public:
    StartFinder(const Model &model, const DataRows &rows)
        : model(model), series(TimeSeriesFromRows(rows)), adRest(series.adData),
          adStart(model.ParamCount(), 1.0) {}

    std::vector<double> Find() {
        const std::vector<int> aiBaselines = TermsOfKind(TermKind::kBaseline);
        const std::vector<int> aiDecays = TermsOfKind(TermKind::kDecay);
        if (!aiBaselines.empty()) {
            BaselinesStart(aiBaselines, !aiDecays.empty());
        }
        if (!aiDecays.empty()) {
            DecaysStart(aiDecays);
        }
        PeaksStart(TermsOfKind(TermKind::kPeak));
        for (double &dValue : adStart) {
            dValue = std::isfinite(dValue) ? dValue : 0.0;
        }
        return adStart;
    }

  private:
    std::vector<int> TermsOfKind(TermKind kind) const {
        std::vector<int> aiTerms;
        for (int iTerm = 0; iTerm < model.TermCount(); iTerm++) {
            if (model.Term(iTerm).Kind() == kind) {
                aiTerms.push_back(iTerm);
            }
        }
        return aiTerms;
    }

    double *TermStart(int iTerm) { return &adStart[model.TermFirstParam(iTerm)]; }

    // Takes term iTerm at its start values out of adValues.
    void TermTakeOut(int iTerm, std::vector<double> *pValues) {
        std::vector<double> adTerm(series.adTime.size());
        model.TermEvaluate(iTerm, adStart.data(), series.adTime, adTerm.data());
        for (size_t i = 0; i < adTerm.size(); i++) {
            (*pValues)[i] -= adTerm[i];
        }
    }

    // The first baseline takes the line through the ends; any other starts at 0.
    void BaselinesStart(const std::vector<int> &aiTerms, bool bDecays) {
        for (int iTerm : aiTerms) {
            std::fill_n(TermStart(iTerm), model.TermParamCount(iTerm), 0.0);
        }
        if (series.adTime.empty()) {
            return;
        }
        const Line line = EndsLine(series, bDecays);
        const double dMiddle = (series.adTime.front() + series.adTime.back()) / 2;
        static_cast<const BaselineTerm &>(model.Term(aiTerms[0]))
            .StartFromLine(line.dIntercept, line.dSlope, dMiddle, TermStart(aiTerms[0]));
        TermTakeOut(aiTerms[0], &adRest);
    }

    // Peeling gives the terms by decreasing rate.
    void DecaysStart(const std::vector<int> &aiTerms) {
        const int iNoTerms = static_cast<int>(aiTerms.size());
        std::vector<double> adDecays(2 * iNoTerms);
        ExpStartValuesFromSeries({series.adTime, adRest}, iNoTerms, adDecays.data());
        for (int k = 0; k < iNoTerms; k++) {
            std::copy_n(&adDecays[2 * k], 2, TermStart(aiTerms[k]));
            TermTakeOut(aiTerms[k], &adRest);
        }
    }

    void PeaksStart(const std::vector<int> &aiTerms) {
        const size_t iNo = series.adTime.size();
        const double dSpan = iNo > 1 ? series.adTime.back() - series.adTime.front() : 0.0;
        const double dNoPeaks = static_cast<double>(std::max<size_t>(1, aiTerms.size()));
        // A gaussian of standard deviation a quarter of the span per peak.
        const double dFallback = std::sqrt(2 * std::numbers::ln2) *
                                 (dSpan > 0 && std::isfinite(dSpan) ? dSpan / (4 * dNoPeaks) : 1.0);
        std::vector<double> adSmooth = MovingAverage(adRest);
        for (size_t k = 0; k < aiTerms.size(); k++) {
            const PeakShape peak = iNo > 0 ? LargestPeakFind(series.adTime, adSmooth, dFallback)
                                           : PeakShape{0.0, static_cast<double>(k), dFallback};
            static_cast<const PeakTerm &>(model.Term(aiTerms[k]))
                .StartFromShape(peak.dHeight, peak.dPosition, peak.dHalfWidth,
                                TermStart(aiTerms[k]));
            if (iNo > 0) {
                TermTakeOut(aiTerms[k], &adSmooth);
            }
        }
        PeaksOrder(aiTerms);
    }

    // Terms of one shape next to each other by increasing position (Mean,
    // every peak's second parameter).
    void PeaksOrder(const std::vector<int> &aiTerms) {
        for (size_t iFirst = 0; iFirst < aiTerms.size();) {
            const ModelTerm &first = model.Term(aiTerms[iFirst]);
            size_t iLast = iFirst + 1;
            while (iLast < aiTerms.size() && aiTerms[iLast] == aiTerms[iLast - 1] + 1 &&
                   typeid(model.Term(aiTerms[iLast])) == typeid(first)) {
                iLast++;
            }
            const int iPerTerm = model.TermParamCount(aiTerms[iFirst]);
            std::vector<std::vector<double>> aTerms;
            for (size_t k = iFirst; k < iLast; k++) {
                aTerms.emplace_back(TermStart(aiTerms[k]), TermStart(aiTerms[k]) + iPerTerm);
            }
            std::stable_sort(aTerms.begin(), aTerms.end(),
                             [](const auto &a, const auto &b) { return a[1] < b[1]; });
            for (size_t k = iFirst; k < iLast; k++) {
                std::copy(aTerms[k - iFirst].begin(), aTerms[k - iFirst].end(),
                          TermStart(aiTerms[k]));
            }
            iFirst = iLast;
        }
    }

    const Model &model;
    const TimeSeries series;
    std::vector<double> adRest; // the data less the terms found so far
    std::vector<double> adStart;
};

} // namespace

std::vector<double> ModelStartValuesFind(const Model &model, const DataRows &rows) {
    if (!model.DomainUsed()) {
        return StartFinder(model, rows).Find();
    }
    Model own(model);
    const TimeSeries series = TimeSeriesFromRows(rows);
    if (!series.adTime.empty()) {
        own.DomainSet(series.adTime.front(), series.adTime.back());
    }
    return StartFinder(own, rows).Find();
}
