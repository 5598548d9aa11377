// The sum of the terms: names, evaluation into one value vector and one
// block of derivative columns, and the derived quantities.
#include "models/model.h"

#include <algorithm>

Model::Model(const Model &other) : paramNames(other.paramNames), derivedNames(other.derivedNames) {
    for (const TermEntry &entry : other.terms) {
        terms.push_back({entry.pTerm->Clone(), entry.iFirstParam, entry.iNoParams});
    }
}

Model &Model::operator=(const Model &other) {
    if (this != &other) {
        Model copy(other);
        *this = std::move(copy);
    }
    return *this;
}

bool Model::TermAdd(std::unique_ptr<ModelTerm> pTerm, const std::string &prefix,
                    const std::string &suffix, std::string *pError) {
    std::vector<std::string> newParams;
    for (const std::string &base : pTerm->ParamBaseNames()) {
        newParams.push_back(prefix + base + suffix);
    }
    std::vector<std::string> newDerived;
    for (const std::string &base : pTerm->DerivedBaseNames()) {
        newDerived.push_back(prefix + base + suffix);
    }
    std::string error;
    if (ParamCount() + static_cast<int>(newParams.size()) > kMaxModelParams) {
        error = "the model has more than " + std::to_string(kMaxModelParams) + " parameters";
    }
    std::vector<std::string> taken = paramNames;
    taken.insert(taken.end(), derivedNames.begin(), derivedNames.end());
    for (const std::vector<std::string> *pNames : {&newParams, &newDerived}) {
        for (const std::string &name : *pNames) {
            if (error.empty() && std::find(taken.begin(), taken.end(), name) != taken.end()) {
                error = "the name '" + name + "' is taken by another term";
            }
            taken.push_back(name);
        }
    }
    if (!error.empty()) {
        if (pError != nullptr) {
            *pError = error;
        }
        return false;
    }
    terms.push_back({std::move(pTerm), ParamCount(), static_cast<int>(newParams.size())});
    paramNames.insert(paramNames.end(), newParams.begin(), newParams.end());
    derivedNames.insert(derivedNames.end(), newDerived.begin(), newDerived.end());
    return true;
}

int Model::ParamFind(std::string_view name) const {
    const auto found = std::find(paramNames.begin(), paramNames.end(), name);
    return found == paramNames.end() ? -1 : static_cast<int>(found - paramNames.begin());
}

bool Model::ParamAnalytic(int iParam) const {
    for (const TermEntry &entry : terms) {
        if (iParam < entry.iFirstParam + entry.iNoParams) {
            return entry.pTerm->AnalyticDerivatives();
        }
    }
    return false;
}

bool Model::ThreadSafe() const {
    return std::all_of(terms.begin(), terms.end(),
                       [](const TermEntry &entry) { return entry.pTerm->ThreadSafe(); });
}

bool Model::DomainUsed() const {
    return std::any_of(terms.begin(), terms.end(),
                       [](const TermEntry &entry) { return entry.pTerm->DomainUsed(); });
}

void Model::DomainSet(double dLow, double dHigh) {
    for (TermEntry &entry : terms) {
        entry.pTerm->DomainSet(dLow, dHigh);
    }
}

std::vector<ParamRange> Model::DefaultLimits() const {
    std::vector<ParamRange> limits;
    for (const TermEntry &entry : terms) {
        for (int iParam = 0; iParam < entry.iNoParams; iParam++) {
            limits.push_back(entry.pTerm->DefaultLimits(iParam));
        }
    }
    return limits;
}

void Model::Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                     double *adColumns) const {
    std::fill(adValues, adValues + adX.size(), 0.0);
    for (const TermEntry &entry : terms) {
        double *adTermColumns =
            adColumns != nullptr ? adColumns + entry.iFirstParam * adX.size() : nullptr;
        entry.pTerm->Evaluate(adParams + entry.iFirstParam, adX, adValues, adTermColumns);
    }
}

void Model::TermEvaluate(int iTerm, const double *adParams, std::span<const double> adX,
                         double *adValues) const {
    std::fill(adValues, adValues + adX.size(), 0.0);
    const TermEntry &entry = terms[iTerm];
    entry.pTerm->Evaluate(adParams + entry.iFirstParam, adX, adValues, nullptr);
}

void Model::DerivedCompute(const double *adParams, std::vector<double> *pValues,
                           std::vector<double> *pGradients) const {
    const size_t iNoParams = paramNames.size();
    pValues->clear();
    pGradients->assign(derivedNames.size() * iNoParams, 0.0);
    for (const TermEntry &entry : terms) {
        for (const DerivedQuantity &quantity :
             entry.pTerm->DerivedCompute(adParams + entry.iFirstParam)) {
            double *adRow = pGradients->data() + pValues->size() * iNoParams;
            std::copy(quantity.adGradient.begin(), quantity.adGradient.end(),
                      adRow + entry.iFirstParam);
            pValues->push_back(quantity.dValue);
        }
    }
}
