// The curves of one fit: the model evaluated on a grid across the rows with
// its derivative columns for the band, each term alone, and the residuals of
// the rows fitted.
#include "plots/fit_curves.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "models/weighted_residuals.h"
#include "numeric/distributions.h"

namespace {

// The relative step of the central differences of parameters without
// analytic derivatives: about the cube root of the machine epsilon.
constexpr double kDifferenceStep = 6e-6;

void RowsTake(const DataRows &rows, FitCurves *pCurves) {
    pCurves->adX = rows.adTime;
    pCurves->adY = rows.adData;
    bool bAllOne = true;
    for (const double dWeight : rows.adWeight) {
        pCurves->abFitted.push_back(dWeight != 0.0);
        bAllOne = bAllOne && (dWeight == 1.0 || dWeight == 0.0);
        if (rows.bSigmaGiven) {
            pCurves->adSigma.push_back(dWeight != 0.0 ? 1.0 / dWeight : NAN);
        }
    }
    pCurves->residualScale = rows.bSigmaGiven ? ResidualScale::kSigma
                             : bAllOne        ? ResidualScale::kPlain
                                              : ResidualScale::kWeighted;
}

// The derivative columns of every parameter at adX: the model's own, and
// central differences of the model's values for the others.
std::vector<double> ColumnsCompute(const Model &model, const std::vector<double> &adValues,
                                   const std::vector<double> &adX) {
    const size_t iNoPoints = adX.size();
    std::vector<double> adColumns(model.ParamCount() * iNoPoints, 0.0);
    std::vector<double> adModel(iNoPoints), adUp(iNoPoints), adDown(iNoPoints);
    model.Evaluate(adValues.data(), adX, adModel.data(), adColumns.data());
    std::vector<double> adShifted = adValues;
    for (int j = 0; j < model.ParamCount(); j++) {
        if (model.ParamAnalytic(j)) {
            continue;
        }
        const double dStep = kDifferenceStep * std::max(std::fabs(adValues[j]), 1e-6);
        adShifted[j] = adValues[j] + dStep;
        model.Evaluate(adShifted.data(), adX, adUp.data(), nullptr);
        adShifted[j] = adValues[j] - dStep;
        model.Evaluate(adShifted.data(), adX, adDown.data(), nullptr);
        adShifted[j] = adValues[j];
        for (size_t i = 0; i < iNoPoints; i++) {
            adColumns[j * iNoPoints + i] = (adUp[i] - adDown[i]) / (2.0 * dStep);
        }
    }
    return adColumns;
}

// Half the width of the band at the grid: t sqrt(J C J^T) point by point.
std::vector<double> BandCompute(const Model &model, const FitOutcome &outcome,
                                const std::vector<double> &adX) {
    const bool bCovariance = std::all_of(outcome.adCovariance.begin(), outcome.adCovariance.end(),
                                         [](double d) { return std::isfinite(d); });
    if (!bCovariance || outcome.adCovariance.empty() || outcome.iDegreesOfFreedom <= 0) {
        return {};
    }
    const double dFactor =
        StudentTQuantile(0.5 * (1.0 + kBandLevel), static_cast<double>(outcome.iDegreesOfFreedom));
    const std::vector<double> adColumns = ColumnsCompute(model, outcome.adValues, adX);
    const size_t iNoParams = outcome.adValues.size();
    const size_t iNoPoints = adX.size();
    std::vector<double> adBand(iNoPoints);
    for (size_t i = 0; i < iNoPoints; i++) {
        double dVariance = 0.0;
        for (size_t j = 0; j < iNoParams; j++) {
            for (size_t k = 0; k < iNoParams; k++) {
                dVariance += adColumns[j * iNoPoints + i] *
                             outcome.adCovariance[j * iNoParams + k] * adColumns[k * iNoPoints + i];
            }
        }
        // Rounding may leave the variance of a point the fit pins a hair below 0.
        adBand[i] = dFactor * std::sqrt(std::max(dVariance, 0.0));
    }
    return adBand;
}

// Each term other than baselines on top of the baseline, and the baseline.
void TermsCompute(const Model &model, const std::vector<double> &adValues, FitCurves *pCurves) {
    const size_t iNoPoints = pCurves->adGridX.size();
    std::vector<double> adTerm(iNoPoints);
    std::vector<double> adBaseline(iNoPoints, 0.0);
    int iNoBaselines = 0;
    for (int iTerm = 0; iTerm < model.TermCount(); iTerm++) {
        if (model.Term(iTerm).Kind() != TermKind::kBaseline) {
            continue;
        }
        iNoBaselines++;
        model.TermEvaluate(iTerm, adValues.data(), pCurves->adGridX, adTerm.data());
        std::transform(adBaseline.begin(), adBaseline.end(), adTerm.begin(), adBaseline.begin(),
                       std::plus<>());
    }
    const int iNoOthers = model.TermCount() - iNoBaselines;
    for (int iTerm = 0; iTerm < model.TermCount() && iNoOthers >= 2; iTerm++) {
        if (model.Term(iTerm).Kind() == TermKind::kBaseline) {
            continue;
        }
        model.TermEvaluate(iTerm, adValues.data(), pCurves->adGridX, adTerm.data());
        std::transform(adTerm.begin(), adTerm.end(), adBaseline.begin(), adTerm.begin(),
                       std::plus<>());
        pCurves->terms.push_back(adTerm);
    }
    if (iNoBaselines > 0 && iNoOthers > 0) {
        pCurves->adBaseline = std::move(adBaseline);
    }
}

// The residuals of the rows fitted, scaled by their weights.
void ResidualsCompute(const Model &model, const DataRows &rows, const std::vector<double> &adValues,
                      FitCurves *pCurves) {
    std::vector<double> adY, adWeight;
    for (size_t i = 0; i < rows.adTime.size(); i++) {
        if (rows.adWeight[i] != 0.0) {
            pCurves->adResidualX.push_back(rows.adTime[i]);
            adY.push_back(rows.adData[i]);
            adWeight.push_back(rows.adWeight[i]);
        }
    }
    std::vector<double> adModel(adY.size());
    model.Evaluate(adValues.data(), pCurves->adResidualX, adModel.data(), nullptr);
    pCurves->adResidual.resize(adY.size());
    WeightedResidualsCompute(adY.size(), adY.data(), adWeight.data(), adModel.data(),
                             pCurves->adResidual.data());
}

} // namespace

FitCurves FitCurvesCompute(const Model &callerModel, const DataRows &rows,
                           const FitOutcome &outcome, bool bParts) {
    FitCurves curves;
    RowsTake(rows, &curves);
    if (outcome.adValues.empty() || rows.adTime.empty()) {
        return curves;
    }
    // A copy of its own for a formula's parser, or to carry the fit's domain.
    std::optional<Model> own;
    if (!callerModel.ThreadSafe() || callerModel.DomainUsed()) {
        own.emplace(callerModel);
        if (std::isfinite(outcome.dDomainLow) && std::isfinite(outcome.dDomainHigh)) {
            own->DomainSet(outcome.dDomainLow, outcome.dDomainHigh);
        }
    }
    const Model &model = own ? *own : callerModel;
    const auto [pLow, pHigh] = std::minmax_element(rows.adTime.begin(), rows.adTime.end());
    curves.adGridX.resize(kCurvePoints);
    for (int i = 0; i < kCurvePoints; i++) {
        curves.adGridX[i] = *pLow + (*pHigh - *pLow) * i / (kCurvePoints - 1);
    }
    curves.adFit.resize(kCurvePoints);
    model.Evaluate(outcome.adValues.data(), curves.adGridX, curves.adFit.data(), nullptr);
    if (bParts) {
        curves.adBand = BandCompute(model, outcome, curves.adGridX);
        TermsCompute(model, outcome.adValues, &curves);
    }
    ResidualsCompute(model, rows, outcome.adValues, &curves);
    return curves;
}
