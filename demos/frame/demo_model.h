// What a demo program's model tells the shared frame and panels: the texts,
// defaults and operations in which VaroGauss and VaroExp differ. Each program
// defines gDemoModel in its own folder.
#ifndef VARO_DEMOS_FRAME_DEMO_MODEL_H
#define VARO_DEMOS_FRAME_DEMO_MODEL_H

#include "demos/frame/demo_state.h"

struct DemoModel {
    int iParamsPerTerm;          // 3 for gaussians, 2 for exponentials
    const char *pszTermCount;    // information panel header, e.g. "No. gaussians: %d"
    // Writes the information panel rows of one term in one of the three row
    // groups (1, 2, 3) at x = fX, starting at *pfY and lowering *pfY by 15 per
    // row. Returns 0 or the failing library code (already printed).
    int (*InfoRowsWrite)(VaroHandle iHandle, int iGroup, int iTerm, float fX, float *pfY);
};

extern const DemoModel gDemoModel;

#endif
