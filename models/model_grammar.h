// The model grammar of varo-fit's --model, a thin parser over Model::TermAdd:
//   model = term { "+" term }
//   term  = shape [ ":" N ]      N terms of one shape, N from 1 to 10 (1 when
//                                omitted); shape: gauss, lorentz, voigt,
//                                pvoigt or exp
//         | "const" | "linear" | "poly:" K   a baseline, K from 1 to 5
//         | "formula:" EXPR      a formula in x (muparser's syntax); it takes
//                                the rest of the text, so it comes last
// Peaks and exponentials are numbered 1, 2, ... in the order of the text and
// their names end in their number (Ampl1, Mean1, ..., Ampl2, ...); baselines
// and formulas keep their names as they are (Const, Intercept, Slope, C0 ...
// CK, the formula's variables), so two terms naming a parameter alike (two
// baselines of one kind) are refused.
#ifndef VARO_MODELS_MODEL_GRAMMAR_H
#define VARO_MODELS_MODEL_GRAMMAR_H

#include <string>

#include "models/model.h"

constexpr int kMaxTermsPerShape = 10;

// Builds *pModel from text; false, with a message naming the 1-based position
// in text where the fault lies, when text is not a model of the grammar.
bool ModelParse(const std::string &text, Model *pModel, std::string *pError);

#endif
