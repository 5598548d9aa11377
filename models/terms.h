// The built-in terms. Parameter names (before the model adds prefix and
// number), derived quantities and default limits:
//   gaussian      Ampl, Mean, Sigma          A*exp(-(x-M)^2 / (2 S^2))
//   lorentzian    Ampl, Mean, Gamma          A / (1 + ((x-M)/G)^2), G the half width
//   voigt         Ampl, Mean, Sigma, Gamma   A * V(x-M; S, G) / V(0; S, G), V the
//                 convolution of a gaussian of standard deviation S and a
//                 lorentzian of half width G (scipy's voigt_profile)
//   pseudo-voigt  Ampl, Mean, Gamma, Eta     A * ((1-Eta) exp(-ln2 ((x-M)/G)^2)
//                                              + Eta / (1 + ((x-M)/G)^2))
//   exponential   Ampl, Gamma                A*exp(-Gamma*x), Gamma a rate
//   constant      Const
//   linear        Intercept, Slope           Intercept + Slope*x
//   polynomial    C0 ... CK                  C0 + C1*u + ... + CK*u^K, K from 1 to 5,
//                                            u = (x - m) / h, [m - h, m + h] the
//                                            domain (DomainSet: the fitted rows'
//                                            x range; u = x until it is set)
// Ampl is a peak's height for every shape. Every peak derives Height, Area
// and FWHM (full width at half maximum), an exponential Tau = 1/Gamma.
// Sigma, Gamma and Eta are kept at 0 or above, Eta at 1 or below.
#ifndef VARO_MODELS_TERMS_H
#define VARO_MODELS_TERMS_H

#include <memory>
#include <string>

#include "models/model_term.h"

constexpr int kMaxPolynomialDegree = 5;

std::unique_ptr<ModelTerm> GaussianTermMake();
std::unique_ptr<ModelTerm> LorentzianTermMake();
std::unique_ptr<ModelTerm> VoigtTermMake();
std::unique_ptr<ModelTerm> PseudoVoigtTermMake();
std::unique_ptr<ModelTerm> ExponentialTermMake();
std::unique_ptr<ModelTerm> ConstantTermMake();
std::unique_ptr<ModelTerm> LinearTermMake();
// iDegree from 1 to kMaxPolynomialDegree.
std::unique_ptr<ModelTerm> PolynomialTermMake(int iDegree);

// A formula in x whose other variables are its parameters, in the order they
// first appear, with the library's numerical derivatives. Null when the
// formula does not parse; *pError then says why and *piPosition holds the
// 0-based position in the formula where parsing failed.
std::unique_ptr<ModelTerm> FormulaTermMake(const std::string &formula, std::string *pError,
                                           int *piPosition);

#endif
