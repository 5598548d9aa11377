// A prepared problem for drawing the display panels without a fit: a sum of
// gaussians on times 0..119, a fit object holding their parameters, and a
// model description (gDemoModel) writing the gaussian rows of the
// information panel while recording each call.
#ifndef VARO_DEMOS_FRAME_TESTS_PANEL_PROBLEM_H
#define VARO_DEMOS_FRAME_TESTS_PANEL_PROBLEM_H

#include <vector>

#include "demos/frame/demo_state.h"

// Term k: amplitude 50 + 10k, mean 20k, variance 64; neighbouring terms
// overlap, so that each term's flanks show below the model curve.
constexpr int kPanelProblemPoints = 120;
constexpr double kTermVariance = 64.0;
inline double TermAmplitude(int k) {
    return 50.0 + 10.0 * k;
}
inline double TermMean(int k) {
    return 20.0 * k;
}

// One call of the information panel's row writer.
struct InfoRowCall {
    int iGroup;
    int iTerm;
    float fY;      // *pfY on entry
    double dValue; // the parameter that the group's first row shows
};
extern std::vector<InfoRowCall> gInfoRowCalls;

// Fills gDemoState.modelData with iNoTerms terms (curves for at most
// kMaxTerms), data = model + a small wave, residuals = data - model, and
// creates a fit object in gDemoState.iHandle with the 3N parameters set.
// Returns 0 or the first failing library code.
int PanelProblemPrepare(int iNoTerms);

#endif
