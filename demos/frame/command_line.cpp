// Command line of the demo programs:
//   <data file> <differentiation 0|1> <no terms> [initial values ...]
// With fewer than three arguments the usage text is printed and the model's
// defaults are taken.
#include <algorithm>
#include <cstdio>
#include <span>

#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"

namespace {

constexpr int kFirstIniValueArg = 4;

// Prints a command-line message: pszFormat takes the program name, then the
// terms' noun where it has a second %s.
void MessagePrint(const char *pszFormat) {
    std::printf(pszFormat, gDemoModel.pszProgramName, gDemoModel.pszTermsNoun);
}

void UsagePrint() {
    std::printf("%s usage:\n\n"
                "  <data file> : text file with data, channels and weights;\n"
                "  <differentiation> : 0 - numerical, 1 - analytical;\n"
                "%s"
                "  Now program will use default settings\n",
                gDemoModel.pszProgramName, gDemoModel.pszUsageTermRows);
}

void DefaultsTake(DemoState *pState, std::string *pDataFile) {
    *pDataFile = gDemoModel.pszDefaultDataFile;
    pState->iDifferentiation = 0;
    pState->modelData.iNoTerms = gDemoModel.iDefaultNoTerms;
    const std::span<const float> afDefaults = gDemoModel.afDefaultIniValues;
    pState->iNoIniValues = static_cast<int>(afDefaults.size());
    std::copy(afDefaults.begin(), afDefaults.end(), pState->afIniValues);
}

// Reads the term count; prints the reason and returns 1 when it is refused.
int TermCountRead(const char *pszArg, int *piNoTerms) {
    if (std::sscanf(pszArg, "%d", piNoTerms) != 1) {
        MessagePrint("%s: Illegal parameter (number of %s)\n");
        return 1;
    }
    if (*piNoTerms > kMaxTerms) {
        MessagePrint("%s: too many components (due to graphics limitations)\n");
        return 1;
    }
    if (gDemoModel.bTooFewTermsRefused && *piNoTerms < 1) {
        MessagePrint("%s: too few components (at least one is needed)\n");
        return 1;
    }
    return 0;
}

// Reads the initial values into the table; values beyond those of the largest
// term count are refused like values that do not convert.
int IniValuesRead(int iArgc, char **apszArgv, DemoState *pState) {
    const int iMaxIniValues = kMaxTerms * gDemoModel.iParamsPerTerm;
    pState->iNoIniValues = 0;
    for (int iArg = kFirstIniValueArg; iArg < iArgc; iArg++) {
        float fValue = 0.0f;
        if (pState->iNoIniValues >= iMaxIniValues ||
            std::sscanf(apszArgv[iArg], "%e", &fValue) != 1) {
            MessagePrint("%s: Illegal initial value\n");
            return 1;
        }
        pState->afIniValues[pState->iNoIniValues++] = fValue;
    }
    return 0;
}

} // namespace

int CommandLineRead(int iArgc, char **apszArgv, DemoState *pState, std::string *pDataFile) {
    if (iArgc < kFirstIniValueArg) {
        UsagePrint();
        DefaultsTake(pState, pDataFile);
        return 0;
    }
    *pDataFile = apszArgv[1];
    int iDifferentiation = -1;
    if (std::sscanf(apszArgv[2], "%d", &iDifferentiation) != 1 ||
        (iDifferentiation != 0 && iDifferentiation != 1)) {
        MessagePrint("%s: Illegal parameter (differentiation)\n");
        return 1;
    }
    pState->iDifferentiation = iDifferentiation;
    if (TermCountRead(apszArgv[3], &pState->modelData.iNoTerms) != 0) {
        return 1;
    }
    return IniValuesRead(iArgc, apszArgv, pState);
}
