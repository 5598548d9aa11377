// Steps with some free parameters held (held_step.cpp): the minimiser of the
// quadratic model whose inverse Hessian is W diag(adInverse) W^t (column i of
// W an eigenvector in the units of the step) over the parameters not held,
// each held parameter j changing by adTarget[j]. Arrays are 1-based.
#ifndef VARO_HELD_STEP_H
#define VARO_HELD_STEP_H

#include "varo/object.h"

struct HeldStepProblem {
    int n;
    RealMatrix w;
    const double *adInverse;
    const double *adFreeStep; // the minimiser with no parameter held
    const bool *abHeld;
    const double *adTarget;
};
// Result of HeldStepSolve when the held parameters' system is not positive
// definite (the model gives them no curvature).
constexpr int kHeldStepSingular = -1;
// Scratch of the held-step solutions of one step search, obtained on the
// first need and released with the owner.
class HeldStepScratch {
  public:
    HeldStepScratch() = default;
    ~HeldStepScratch() { RealMatrixFree(m_matrix); }
    HeldStepScratch(const HeldStepScratch &) = delete;
    HeldStepScratch &operator=(const HeldStepScratch &) = delete;
    // The n x (2n + 1) scratch, or null after reporting its allocation.
    RealMatrix Get(VaroObject *pObject, int n);

  private:
    RealMatrix m_matrix = nullptr;
};
// 0 with the step in adStep[1..n]; kRcNoMemory when the scratch was not
// obtained; kHeldStepSingular.
int HeldStepSolve(VaroObject *pObject, const HeldStepProblem &problem, HeldStepScratch &scratch,
                  double *adStep);

#endif
