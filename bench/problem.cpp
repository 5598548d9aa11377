// Residuals and Jacobians of a problem, and the readers of its data files.
#include "problem.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace bench {

void ResidualsCompute(const Problem &problem, const double *adParams, double *adResiduals) {
    const int iRows = problem.RowCount();
    const double *adX = problem.adX.data();
    for (int i = 0; i < iRows; ++i) {
        const double dModel = problem.pModel->pValue(adParams, adX + i * problem.iPredictors);
        adResiduals[i] = problem.adW[i] * (problem.adY[i] - dModel);
    }
}

void JacobianCompute(const Problem &problem, const double *adParams, double *adJacobian,
                     int iRowStride, int iColumnStride) {
    const int iRows = problem.RowCount();
    const int iParams = problem.ParamCount();
    double adGrad[kMaxModelParams];
    for (int i = 0; i < iRows; ++i) {
        problem.pModel->pGradient(adParams, problem.adX.data() + i * problem.iPredictors, adGrad);
        for (int j = 0; j < iParams; ++j) {
            adJacobian[i * iRowStride + j * iColumnStride] = -problem.adW[i] * adGrad[j];
        }
    }
}

double ResidualSquareSumCompute(const Problem &problem, const double *adParams) {
    std::vector<double> adResiduals(problem.adY.size());
    ResidualsCompute(problem, adParams, adResiduals.data());
    double dSum = 0.0;
    for (const double dResidual : adResiduals) {
        dSum += dResidual * dResidual;
    }
    return dSum;
}

namespace {

// Reads the numbers of one line; false when a token is not a number.
bool LineNumbersRead(const std::string &sLine, std::vector<double> &adNumbers) {
    std::istringstream stream(sLine);
    adNumbers.clear();
    std::string sToken;
    while (stream >> sToken) {
        char *pszEnd = nullptr;
        const double dValue = std::strtod(sToken.c_str(), &pszEnd);
        if (pszEnd == sToken.c_str() || *pszEnd != '\0') {
            return false;
        }
        adNumbers.push_back(dValue);
    }
    return true;
}

// A header line "  bK =   start1   start2   certified   deviation".
bool NistParamLineRead(const std::string &sLine, Problem &problem) {
    std::istringstream stream(sLine);
    std::string sName;
    std::string sEquals;
    double adValues[4];
    if (!(stream >> sName >> sEquals) || sName.size() < 2 || sName[0] != 'b' || sEquals != "=") {
        return false;
    }
    for (double &dValue : adValues) {
        if (!(stream >> dValue)) {
            return false;
        }
    }
    problem.aadStarts[0].push_back(adValues[0]);
    problem.aadStarts[1].push_back(adValues[1]);
    problem.adCertified.push_back(adValues[2]);
    problem.adCertifiedStdErrors.push_back(adValues[3]);
    return true;
}

bool NistHeaderLineRead(const std::string &sLine, Problem &problem) {
    static const std::string sRssLabel = "Residual Sum of Squares:";
    const auto iRss = sLine.find(sRssLabel);
    if (iRss != std::string::npos) {
        problem.dCertifiedRss = std::strtod(sLine.c_str() + iRss + sRssLabel.size(), nullptr);
        return false;
    }
    NistParamLineRead(sLine, problem);
    std::istringstream stream(sLine);
    std::string sFirst;
    std::string sSecond;
    return (stream >> sFirst >> sSecond) && sFirst == "Data:" && sSecond == "y";
}

bool NistDataRowAdd(const std::vector<double> &adNumbers, Problem &problem) {
    if (adNumbers.empty()) {
        return true;
    }
    if (static_cast<int>(adNumbers.size()) != 1 + problem.iPredictors) {
        return false;
    }
    // Nelson's model describes log(y).
    const bool bLogResponse = problem.sName == "Nelson";
    problem.adY.push_back(bLogResponse ? std::log(adNumbers[0]) : adNumbers[0]);
    problem.adW.push_back(1.0);
    problem.adX.insert(problem.adX.end(), adNumbers.begin() + 1, adNumbers.end());
    return true;
}

} // namespace

bool NistProblemRead(const std::string &sPath, Problem &problem, std::string &sError) {
    problem = Problem{};
    problem.sName = std::filesystem::path(sPath).stem().string();
    problem.pModel = NistModelFind(problem.sName);
    if (problem.pModel == nullptr) {
        sError = "no model for " + problem.sName;
        return false;
    }
    problem.iPredictors = problem.sName == "Nelson" ? 2 : 1;
    problem.aadStarts.resize(2);
    std::ifstream file(sPath);
    if (!file) {
        sError = "cannot open " + sPath;
        return false;
    }
    std::string sLine;
    bool bInData = false;
    std::vector<double> adNumbers;
    while (std::getline(file, sLine)) {
        if (!sLine.empty() && sLine.back() == '\r') {
            sLine.pop_back();
        }
        if (!bInData) {
            bInData = NistHeaderLineRead(sLine, problem);
        } else if (!LineNumbersRead(sLine, adNumbers) || !NistDataRowAdd(adNumbers, problem)) {
            sError = problem.sName + ": bad data row '" + sLine + "'";
            return false;
        }
    }
    if (static_cast<int>(problem.adCertified.size()) != problem.ParamCount() ||
        problem.adY.empty() || problem.dCertifiedRss <= 0.0) {
        sError = problem.sName + ": header or data incomplete";
        return false;
    }
    return true;
}

bool DemoDataRead(const std::string &sPath, Problem &problem, std::string &sError) {
    std::ifstream file(sPath);
    if (!file) {
        sError = "cannot open " + sPath;
        return false;
    }
    problem.iPredictors = 1;
    problem.adX.clear();
    problem.adY.clear();
    problem.adW.clear();
    std::string sLine;
    std::vector<double> adNumbers;
    while (std::getline(file, sLine)) {
        if (!sLine.empty() && sLine.back() == '\r') {
            sLine.pop_back();
        }
        if (!LineNumbersRead(sLine, adNumbers) || adNumbers.size() == 1 || adNumbers.size() > 3) {
            sError = sPath + ": bad row '" + sLine + "'";
            return false;
        }
        if (adNumbers.empty()) {
            continue;
        }
        problem.adX.push_back(adNumbers[0]);
        problem.adY.push_back(adNumbers[1]);
        problem.adW.push_back(adNumbers.size() == 3 ? adNumbers[2] : 1.0);
    }
    if (problem.adY.empty()) {
        sError = sPath + ": no rows";
        return false;
    }
    return true;
}

} // namespace bench
