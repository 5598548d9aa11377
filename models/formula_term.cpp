// A formula term: an expression in x parsed by muparser, whose other
// variables are the term's parameters. muparser creates an unknown variable
// through the factory below as it meets it, so the parameters come in the
// order they first appear. A parser points at the variables' storage and is
// not safe on several threads at once: each thread clones the term, which
// parses the formula again with storage of its own.
#include <algorithm>
#include <deque>

#include <muParser.h>

#include "models/terms.h"

namespace {

class FormulaTerm final : public ModelTerm {
  public:
    FormulaTerm() = default;
    // The parser points into the object: never copied or moved.
    FormulaTerm(const FormulaTerm &) = delete;
    FormulaTerm &operator=(const FormulaTerm &) = delete;

    // Parses the formula; false, with muparser's message and the 0-based
    // position in the formula, when it does not parse.
    bool Parse(const std::string &text, std::string *pError, int *piPosition) {
        formula = text;
        try {
            parser.DefineVar("x", &dX);
            parser.SetVarFactory(ParamCreate, this);
            parser.SetExpr(formula);
            parser.Eval(); // parses and meets every variable
        } catch (const mu::Parser::exception_type &error) {
            // muparser may name the position in its message too, and puts
            // the end of the formula at or past its length.
            *pError = error.GetMsg();
            const size_t iOwnPosition = pError->rfind(" at position ");
            if (iOwnPosition != std::string::npos) {
                pError->erase(iOwnPosition);
            }
            *piPosition = std::clamp(error.GetPos(), 0, static_cast<int>(formula.size()));
            return false;
        }
        return true;
    }

    std::unique_ptr<ModelTerm> Clone() const override {
        auto pTerm = std::make_unique<FormulaTerm>();
        std::string error;
        int iPosition = 0;
        pTerm->Parse(formula, &error, &iPosition); // it parsed before
        return pTerm;
    }
    TermKind Kind() const override { return TermKind::kFormula; }
    std::vector<std::string> ParamBaseNames() const override { return names; }
    bool AnalyticDerivatives() const override { return false; }
    bool ThreadSafe() const override { return false; }

    void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                  double * /*adColumns*/) const override {
        for (size_t k = 0; k < params.size(); k++) {
            params[k] = adParams[k];
        }
        for (size_t i = 0; i < adX.size(); i++) {
            dX = adX[i];
            adValues[i] += parser.Eval();
        }
    }

  private:
    static double *ParamCreate(const char *pszName, void *pUserData) {
        FormulaTerm *pTerm = static_cast<FormulaTerm *>(pUserData);
        pTerm->names.emplace_back(pszName);
        return &pTerm->params.emplace_back(1.0);
    }

    std::string formula;
    std::vector<std::string> names;
    // The values the parser reads: x and the parameters (a deque keeps their
    // addresses as it grows).
    mutable double dX = 0;
    mutable std::deque<double> params;
    mu::Parser parser;
};

} // namespace

std::unique_ptr<ModelTerm> FormulaTermMake(const std::string &formula, std::string *pError,
                                           int *piPosition) {
    auto pTerm = std::make_unique<FormulaTerm>();
    if (!pTerm->Parse(formula, pError, piPosition)) {
        return nullptr;
    }
    return pTerm;
}
