// Everything a demo program keeps: one program-wide DemoState with its problem
// record and the three panel records. Fixed-size storage, nothing on the heap.
#ifndef VARO_DEMOS_FRAME_DEMO_STATE_H
#define VARO_DEMOS_FRAME_DEMO_STATE_H

#include "varo/varo.h"

constexpr int kMaxPoints = 10000;
constexpr int kMaxTerms = 10;
constexpr int kMaxParamsPerTerm = 3;
constexpr int kMaxIniValues = kMaxTerms * kMaxParamsPerTerm;
constexpr int kNoPanels = 3;

// Panel order in DemoState::aPanels.
constexpr int kCurvePanel = 0;
constexpr int kResidualPanel = 1;
constexpr int kInfoPanel = 2;

// The problem; handed to the library as the data pointer of model 1.
struct ModelData {
    int iNoTerms;
    int iNoPoints;
    double adTime[kMaxPoints];
    double adData[kMaxPoints];
    double adWeight[kMaxPoints];
    double adModel[kMaxPoints];
    double adResidual[kMaxPoints];
    double aadTerm[kMaxTerms][kMaxPoints]; // aadTerm[k - 1] is the curve of term k
};

struct PanelWindow {
    float fX, fY;
    float fWidth, fHeight;
    int iX, iY, iWidth, iHeight;
    int iWindow;
    float afColour[3];
};

struct DemoState {
    VaroHandle iHandle;
    int iDifferentiation;
    float afIniValues[kMaxIniValues];
    int iNoIniValues;
    int iModelEvaluations;
    int iGradientEvaluations;
    double dResNorm;
    double dPrevResNorm;
    int iCurIteration;
    int iFitState;
    long lStartClock; // milliseconds
    long lEndClock;   // milliseconds
    int iWindowWidth, iWindowHeight;
    int iMainWindow;
    PanelWindow aPanels[kNoPanels];
    int iNoPanels;
    ModelData modelData;
};

// Fit states.
constexpr int kFitReady = 0;
constexpr int kFitRunning = 1;
constexpr int kFitFinished = 2;

extern DemoState gDemoState;

#endif
