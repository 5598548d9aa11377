// Small fit problems for the engine tests: models written as functions of
// their parameter values, whose callbacks record every call they see.
#ifndef VARO_TESTS_ENGINE_FIXTURE_H
#define VARO_TESTS_ENGINE_FIXTURE_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "varo/varo.h"

namespace engine_test {

using Values = std::vector<double>;

struct CallRecord {
    bool bGradient;
    int iIteration;
    int iModel;
    int iParam; // VaroCurrentParamNumGet in a gradient call, else 0
    Values params;
    int iValueRc;    // worst result of VaroParamCurValueGet
    int iHandOverRc; // result of VaroCbReturnVectSet, -1 when none was made
};

struct TestModel {
    TestModel(Values initial = {}, std::function<Values(const Values &)> residuals = {},
              std::function<Values(const Values &, int)> derivative = {})
        : initial(std::move(initial)), residuals(std::move(residuals)),
          derivative(std::move(derivative)) {}

    Values initial;
    std::function<Values(const Values &)> residuals;
    // Derivative of the residuals by parameter j (1-based); empty: numerical.
    std::function<Values(const Values &, int)> derivative;
    std::function<int(int)> modelReturn;    // by call number from 0; empty: 0
    std::function<int(int)> gradientReturn; // by parameter; empty: 0
    bool bSkipHandOver = false;
    std::vector<CallRecord> calls;

    int GradientCallCount() const;
    // Calls of one iteration, model calls (false) or gradient calls (true).
    std::vector<CallRecord> CallsOf(int iIteration, bool bGradient) const;
};

int ModelCallbackRun(VaroHandle iHandle);
int GradientCallbackRun(VaroHandle iHandle);

// Describes the models to the object iHandle: their number, parameter counts,
// callbacks (gradient callbacks where a derivative is given), data pointers and
// initial values.
void ModelsConfigure(VaroHandle iHandle, const std::vector<TestModel *> &models);

// A fit object holding the models (see ModelsConfigure); deleted with the
// problem.
class FitProblem {
  public:
    explicit FitProblem(std::vector<TestModel *> models);
    ~FitProblem();
    FitProblem(const FitProblem &) = delete;
    FitProblem &operator=(const FitProblem &) = delete;

    VaroHandle Handle() const { return iHandle; }
    std::string ErrorText() const { return VaroErrorStringGet(iHandle); }
    double Value(int m, int j) const;
    double Norm(int m) const;
    void LogOpen();
    std::string LogText() const;

  private:
    VaroHandle iHandle = 0;
    std::string logPath;
};

// True when lines starting with each prefix occur in this order.
bool LinesInOrder(const std::string &text, const std::vector<std::string> &prefixes);
int LinesStartingWith(const std::string &text, const std::string &prefix);

} // namespace engine_test

#endif
