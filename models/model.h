// A model: the sum of its terms, with the parameters of all terms one after
// the other, each named prefix + base name + suffix (the --model grammar
// numbers peaks and decays: "Ampl1", "Mean1", ...; Python gives prefixes:
// "p1_Ampl"). Built term by term in code or by ModelParse (model_grammar.h).
// Evaluation is const; it may run on several threads at once when ThreadSafe
// says so, otherwise each thread uses a copy of its own (copies clone the
// terms).
#ifndef VARO_MODELS_MODEL_H
#define VARO_MODELS_MODEL_H

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "models/model_term.h"

// The library fits at most this many parameters per model.
constexpr int kMaxModelParams = 100;

class Model {
  public:
    Model() = default;
    Model(const Model &other);
    Model &operator=(const Model &other);
    Model(Model &&) noexcept = default;
    Model &operator=(Model &&) noexcept = default;
    ~Model() = default;

    // Appends pTerm, naming its parameters and derived quantities prefix +
    // base name + suffix. False, with the reason in *pError (when not null),
    // when one of its names is taken already or the model would have more
    // than kMaxModelParams parameters; the model is then unchanged.
    bool TermAdd(std::unique_ptr<ModelTerm> pTerm, const std::string &prefix,
                 const std::string &suffix, std::string *pError);

    int TermCount() const { return static_cast<int>(terms.size()); }
    const ModelTerm &Term(int iTerm) const { return *terms[iTerm].pTerm; }
    // The index of the first parameter of term iTerm (0-based) among all.
    int TermFirstParam(int iTerm) const { return terms[iTerm].iFirstParam; }
    int TermParamCount(int iTerm) const { return terms[iTerm].iNoParams; }

    int ParamCount() const { return static_cast<int>(paramNames.size()); }
    const std::vector<std::string> &ParamNames() const { return paramNames; }
    // The index of the parameter of that name, or -1.
    int ParamFind(std::string_view name) const;
    const std::vector<std::string> &DerivedNames() const { return derivedNames; }

    // Whether Evaluate gives the derivative of parameter iParam.
    bool ParamAnalytic(int iParam) const;
    bool ThreadSafe() const;
    // The default interval of every parameter.
    std::vector<ParamRange> DefaultLimits() const;
    // Whether a term depends on the data's x range, and that range for all
    // terms (ModelTerm::DomainSet); the fit driver sets it on its own copy.
    bool DomainUsed() const;
    void DomainSet(double dLow, double dHigh);

    // The model's values at the points adX into adValues (adX.size() of
    // them); when adColumns is not null, also the derivative with respect to
    // every parameter j with ParamAnalytic(j) at adColumns + j * adX.size().
    void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                  double *adColumns) const;
    // The values of term iTerm alone, from the parameters of the whole model.
    void TermEvaluate(int iTerm, const double *adParams, std::span<const double> adX,
                      double *adValues) const;

    // The derived quantities at adParams, in the order of DerivedNames, with
    // the gradient of each with respect to all parameters (row k of
    // *pGradients, ParamCount() elements a row).
    void DerivedCompute(const double *adParams, std::vector<double> *pValues,
                        std::vector<double> *pGradients) const;

  private:
    struct TermEntry {
        std::unique_ptr<ModelTerm> pTerm;
        int iFirstParam;
        int iNoParams;
    };
    std::vector<TermEntry> terms;
    std::vector<std::string> paramNames;
    std::vector<std::string> derivedNames;
};

#endif
