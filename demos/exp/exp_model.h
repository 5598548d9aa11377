// VaroExp's model: a sum of decaying exponentials A*exp(-G*T) with the
// parameters amplitude and decay rate per term.
#ifndef VARO_DEMOS_EXP_EXP_MODEL_H
#define VARO_DEMOS_EXP_EXP_MODEL_H

// Time constant 1/G of a decay rate; 1e300 for a rate of 1e-300 or below.
double TauFromRate(double dGamma);

#endif
