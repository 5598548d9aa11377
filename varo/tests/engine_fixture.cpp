#include "engine_fixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace engine_test {
namespace {

CallRecord CallRecordMake(VaroHandle iHandle, bool bGradient, TestModel **ppModel) {
    CallRecord record{bGradient, 0, 0, 0, {}, 0, -1};
    void *pData = nullptr;
    VaroCurrentModelGet(iHandle, &record.iModel);
    VaroModelDataPointerGet(iHandle, record.iModel, &pData);
    *ppModel = static_cast<TestModel *>(pData);
    VaroCurrentIterationGet(iHandle, &record.iIteration);
    record.params.resize((*ppModel)->initial.size());
    for (size_t j = 0; j < record.params.size(); ++j) {
        const int iRc = VaroParamCurValueGet(iHandle, record.iModel, static_cast<int>(j) + 1,
                                             &record.params[j]);
        record.iValueRc = std::max(record.iValueRc, iRc);
    }
    if (bGradient) {
        VaroCurrentParamNumGet(iHandle, &record.iParam);
    }
    return record;
}

int HandOver(VaroHandle iHandle, const Values &values) {
    return VaroCbReturnVectSet(iHandle, values.data(), static_cast<int>(values.size()));
}

} // namespace

int TestModel::GradientCallCount() const {
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [](const CallRecord &c) { return c.bGradient; }));
}

std::vector<CallRecord> TestModel::CallsOf(int iIteration, bool bGradient) const {
    std::vector<CallRecord> selected;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(selected),
                 [&](const CallRecord &c) {
                     return c.iIteration == iIteration && c.bGradient == bGradient;
                 });
    return selected;
}

int ModelCallbackRun(VaroHandle iHandle) {
    TestModel *pModel = nullptr;
    CallRecord record = CallRecordMake(iHandle, false, &pModel);
    const int iCallNumber = static_cast<int>(pModel->calls.size()) - pModel->GradientCallCount();
    if (!pModel->bSkipHandOver) {
        record.iHandOverRc = HandOver(iHandle, pModel->residuals(record.params));
    }
    pModel->calls.push_back(record);
    return pModel->modelReturn ? pModel->modelReturn(iCallNumber) : 0;
}

int GradientCallbackRun(VaroHandle iHandle) {
    TestModel *pModel = nullptr;
    CallRecord record = CallRecordMake(iHandle, true, &pModel);
    const int iResult = pModel->gradientReturn ? pModel->gradientReturn(record.iParam) : 0;
    if (iResult == 0 && !pModel->bSkipHandOver) {
        record.iHandOverRc = HandOver(iHandle, pModel->derivative(record.params, record.iParam));
    }
    pModel->calls.push_back(record);
    return iResult;
}

void ModelsConfigure(VaroHandle iHandle, const std::vector<TestModel *> &models) {
    VaroNoModelsSet(iHandle, static_cast<int>(models.size()));
    for (int m = 1; m <= static_cast<int>(models.size()); ++m) {
        TestModel *pModel = models[m - 1];
        VaroNoModelParamsSet(iHandle, m, static_cast<int>(pModel->initial.size()));
        VaroModelCallbackSet(iHandle, m, ModelCallbackRun);
        VaroModelDataPointerSet(iHandle, m, pModel);
        VaroGradientCallbackSet(iHandle, m, pModel->derivative ? GradientCallbackRun : nullptr);
        for (int j = 1; j <= static_cast<int>(pModel->initial.size()); ++j) {
            VaroParamIniValueSet(iHandle, m, j, pModel->initial[j - 1]);
        }
    }
}

FitProblem::FitProblem(std::vector<TestModel *> models) {
    VaroObjectCreate(&iHandle);
    ModelsConfigure(iHandle, models);
}

FitProblem::~FitProblem() {
    VaroObjectDelete(iHandle);
    if (!logPath.empty()) {
        std::remove(logPath.c_str());
    }
}

double FitProblem::Value(int m, int j) const {
    double dValue = 0.0;
    VaroParamCurValueGet(iHandle, m, j, &dValue);
    return dValue;
}

double FitProblem::Norm(int m) const {
    double dNorm = -1.0;
    VaroModelResidualsGet(iHandle, m, &dNorm, nullptr);
    return dNorm;
}

void FitProblem::LogOpen() {
    logPath = "/tmp/varo_engine_" + std::to_string(getpid()) + "_" + std::to_string(iHandle);
    VaroLogFileOpen(iHandle, logPath.c_str());
}

std::string FitProblem::LogText() const {
    std::stringstream text;
    text << std::ifstream(logPath).rdbuf();
    return text.str();
}

bool LinesInOrder(const std::string &text, const std::vector<std::string> &prefixes) {
    std::istringstream stream(text);
    size_t iNext = 0;
    for (std::string line; std::getline(stream, line) && iNext < prefixes.size();) {
        iNext += line.rfind(prefixes[iNext], 0) == 0 ? 1 : 0;
    }
    return iNext == prefixes.size();
}

int LinesStartingWith(const std::string &text, const std::string &prefix) {
    std::istringstream stream(text);
    int iCount = 0;
    for (std::string line; std::getline(stream, line);) {
        iCount += line.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return iCount;
}

} // namespace engine_test
