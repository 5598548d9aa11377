// A least-squares problem as every fitter sees it: observations y with weights
// w at predictors x, a model f, and the residuals r_i = w_i (y_i - f(b; x_i)).
#ifndef VARO_BENCH_PROBLEM_H
#define VARO_BENCH_PROBLEM_H

#include "model.h"

#include <string>
#include <vector>

namespace bench {

struct Problem {
    std::string sName;
    const ModelInfo *pModel = nullptr;
    int iPredictors = 1;
    std::vector<double> adX; // row-major: row i holds x[i * iPredictors + k]
    std::vector<double> adY;
    std::vector<double> adW;
    std::vector<std::vector<double>> aadStarts;
    std::vector<double> adCertified;          // empty when the problem has no certified values
    std::vector<double> adCertifiedStdErrors; // their certified standard deviations
    double dCertifiedRss = 0.0;
    // Limits of every parameter; empty for an unbounded problem.
    std::vector<double> adLower;
    std::vector<double> adUpper;

    int RowCount() const { return static_cast<int>(adY.size()); }
    int ParamCount() const { return pModel->iParams; }
};

// Residuals at the parameters adParams into adResiduals[0..rows-1].
void ResidualsCompute(const Problem &problem, const double *adParams, double *adResiduals);

// The Jacobian dr_i/db_j = -w_i df/db_j; element (i, j) is written to
// adJacobian[i * iRowStride + j * iColumnStride], so that one routine serves
// row-major and column-major storage.
void JacobianCompute(const Problem &problem, const double *adParams, double *adJacobian,
                     int iRowStride, int iColumnStride);

// Sum of the squared residuals at adParams.
double ResidualSquareSumCompute(const Problem &problem, const double *adParams);

// Reads a reference data set in its published layout (header with starting
// and certified values, then the "Data:" block of y and x columns). The model
// is looked up by the file's base name. Returns false with sError on failure.
bool NistProblemRead(const std::string &sPath, Problem &problem, std::string &sError);

// Reads a demo data file: rows of time, data and an optional weight (1.0).
bool DemoDataRead(const std::string &sPath, Problem &problem, std::string &sError);

} // namespace bench

#endif
