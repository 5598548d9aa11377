// The reference file of the bounded fits: one line a fit, "problem kind rss
// residuals jacobians milliseconds lower:upper ...", lines from '#' comments.
#include "bounded.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace bench {
namespace {

// "lower:upper", each a number or inf/-inf as strtod reads them.
bool LimitsRead(const std::string &sText, double &dLower, double &dUpper) {
    const auto iColon = sText.find(':');
    if (iColon == std::string::npos) {
        return false;
    }
    char *pszEnd = nullptr;
    dLower = std::strtod(sText.c_str(), &pszEnd);
    const bool bLowerRead = pszEnd == sText.c_str() + iColon;
    dUpper = std::strtod(sText.c_str() + iColon + 1, &pszEnd);
    return bLowerRead && *pszEnd == '\0' && dLower < dUpper;
}

bool CaseLineRead(const std::string &sLine, const std::string &sDataDir, BoundedCase &bounded,
                  std::string &sError) {
    std::istringstream stream(sLine);
    std::string sName;
    if (!(stream >> sName >> bounded.sKind >> bounded.dPeerRss >> bounded.lPeerResiduals >>
          bounded.lPeerJacobians >> bounded.dPeerMillis)) {
        sError = "bad line '" + sLine + "'";
        return false;
    }
    if (!NistProblemRead(sDataDir + "/nist/" + sName + ".dat", bounded.problem, sError)) {
        return false;
    }
    Problem &problem = bounded.problem;
    for (std::string sLimits; stream >> sLimits;) {
        double dLower = 0.0;
        double dUpper = 0.0;
        if (!LimitsRead(sLimits, dLower, dUpper)) {
            sError = sName + ": bad limits '" + sLimits + "'";
            return false;
        }
        problem.adLower.push_back(dLower);
        problem.adUpper.push_back(dUpper);
    }
    if (static_cast<int>(problem.adLower.size()) != problem.ParamCount()) {
        sError = sName + ": limits of " + std::to_string(problem.adLower.size()) + " parameters";
        return false;
    }
    return true;
}

} // namespace

bool BoundedCasesRead(const std::string &sPath, const std::string &sDataDir,
                      std::vector<BoundedCase> &aCases, std::string &sError) {
    std::ifstream file(sPath);
    if (!file) {
        sError = "cannot open " + sPath;
        return false;
    }
    aCases.clear();
    for (std::string sLine; std::getline(file, sLine);) {
        if (sLine.empty() || sLine[0] == '#') {
            continue;
        }
        BoundedCase bounded;
        if (!CaseLineRead(sLine, sDataDir, bounded, sError)) {
            return false;
        }
        aCases.push_back(std::move(bounded));
    }
    return true;
}

} // namespace bench
