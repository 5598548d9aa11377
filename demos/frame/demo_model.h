// What a demo program's model tells the shared frame and panels: the texts,
// defaults and operations in which VaroGauss and VaroExp differ. Each program
// defines gDemoModel in its own folder.
#ifndef VARO_DEMOS_FRAME_DEMO_MODEL_H
#define VARO_DEMOS_FRAME_DEMO_MODEL_H

#include <span>

#include "demos/frame/demo_state.h"
#include "models/model_family.h"

constexpr int kNoBannerModelRows = 7;
constexpr int kNoProblemEntries = 4;

struct DemoModel {
    int iParamsPerTerm;       // 3 for gaussians, 2 for exponentials
    const char *pszTermCount; // information panel header, e.g. "No. gaussians: %d"
    // Writes the information panel rows of one term in one of the three row
    // groups (1, 2, 3) at x = fX, starting at *pfY, with InfoRowWrite
    // (panels.h), which lowers *pfY by 15 pixels a row. Returns 0 or the
    // failing library code (already printed).
    int (*InfoRowsWrite)(VaroHandle iHandle, int iGroup, int iTerm, float fX, float *pfY);

    // Console texts. The command-line messages are the frame's, naming the
    // program and its terms.
    const char *apszBannerModelRows[kNoBannerModelRows]; // banner rows 3 to 9
    const char *pszProgramName;                          // "VaroGauss"
    const char *pszTermsNoun;     // "gaussians", as in "(number of gaussians)"
    const char *pszUsageTermRows; // usage rows of the term count and the initial values
    bool bTooFewTermsRefused;     // a term count below 1 is refused on the command line

    // Defaults taken when the command line has fewer than three arguments.
    const char *pszDefaultDataFile;
    int iDefaultNoTerms;
    std::span<const float> afDefaultIniValues;

    // "gaussian" in the window title "... multigaussian fit. File: ...", and
    // the Problem menu entries.
    const char *pszTitleModel;
    const char *apszProblemEntries[kNoProblemEntries];
    // Whether the progress report prints its iteration line at iteration 0.
    bool bIterationZeroLinePrinted;

    // The formulas of a term (values, derivatives, shown form and its
    // standard errors), written once in the models layer.
    const ModelFamily *pFamily;
    // Start values of term iTerm (1..iNoTerms) when the command line gives none,
    // in the form the console shows them (adShown, iParamsPerTerm values).
    void (*TermStartGuess)(const ModelData *pData, int iTerm, double *adShown);
    // Console line of one term in the start values and the results, and in a
    // progress report; both take the shown form.
    void (*TermLinePrint)(int iTerm, const double *adShown);
    void (*TermProgressLinePrint)(int iTerm, const double *adShown);
};

extern const DemoModel gDemoModel;

#endif
