// A model family of the demo programs: a sum of N terms of one shape, each
// with the same small set of parameters. The programs hand the library the
// parameters; their consoles and panels show them in a form of their own
// ("shown" values), which for the gaussians has the standard deviation in
// place of the variance. The families' start values are those of the model
// library's terms (models/start_values.h), whose parameters are the shown form.
#ifndef VARO_MODELS_MODEL_FAMILY_H
#define VARO_MODELS_MODEL_FAMILY_H

#include "models/data_file.h"

constexpr int kFamilyMaxTerms = 10;

struct ModelFamily {
    const char *pszName; // "gauss" or "exp"
    int iParamsPerTerm;  // 3 for gaussians, 2 for exponentials
    // Value of one term at time dTime for its parameters adParams.
    double (*TermValue)(const double *adParams, double dTime);
    // Partial derivative of one term's value at dTime with respect to its
    // parameter iParam (0-based within the term).
    double (*TermDerivative)(int iParam, const double *adParams, double dTime);
    // Conversions of one term between the shown form and the parameters.
    void (*ShownToParams)(const double *adShown, double *adParams);
    void (*ParamsToShown)(const double *adParams, double *adShown);
    // Standard errors of one term's shown values from its parameters and their
    // standard errors (first order).
    void (*StdErrorsToShown)(const double *adParams, const double *adParamErrors,
                             double *adShownErrors);
    // Start values of iNoTerms terms found from the rows, in shown form, term
    // after term (iNoTerms * iParamsPerTerm values); always finite.
    void (*StartValuesFind)(const DataRows &rows, int iNoTerms, double *adShown);
};

extern const ModelFamily gGaussFamily;
extern const ModelFamily gExpFamily;

#endif
