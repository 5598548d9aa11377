// The --model grammar: the text is cut at "+" into terms (up to "formula:",
// which takes the rest), each term is looked up by its shape's name and added
// with its number.
#include "models/model_grammar.h"

#include <charconv>
#include <functional>

#include "models/terms.h"

namespace {

constexpr std::string_view kFormulaPrefix = "formula:";

struct Shape {
    const char *pszName;
    std::function<std::unique_ptr<ModelTerm>()> Make;
    bool bNumbered; // peaks and decays: N terms, names numbered
};

const Shape aShapes[] = {
    {"gauss", GaussianTermMake, true},  {"lorentz", LorentzianTermMake, true},
    {"voigt", VoigtTermMake, true},     {"pvoigt", PseudoVoigtTermMake, true},
    {"exp", ExponentialTermMake, true}, {"const", ConstantTermMake, false},
    {"linear", LinearTermMake, false},
};

std::string_view Trimmed(std::string_view text, size_t *piOffset) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
        ++*piOffset;
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// The count after "name:", from 1 to iMax; 0 when it is not one.
int CountRead(std::string_view text, int iMax) {
    int iCount = 0;
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), iCount);
    const bool bWhole = error == std::errc() && pEnd == text.data() + text.size();
    return bWhole && iCount >= 1 && iCount <= iMax ? iCount : 0;
}

class GrammarReader {
  public:
    GrammarReader(Model *pModel, std::string *pError) : pModel(pModel), pError(pError) {}

    // One term at 0-based iOffset of the whole text.
    bool TermRead(std::string_view text, size_t iOffset) {
        const size_t iColon = text.find(':');
        const std::string_view name = text.substr(0, iColon);
        const std::string_view count =
            iColon == std::string_view::npos ? std::string_view() : text.substr(iColon + 1);
        if (name == "poly") {
            const int iDegree = CountRead(count, kMaxPolynomialDegree);
            if (iDegree == 0) {
                return Fail(iOffset, "expected poly:K with K from 1 to " +
                                         std::to_string(kMaxPolynomialDegree));
            }
            return Add(PolynomialTermMake(iDegree), "", iOffset);
        }
        for (const Shape &shape : aShapes) {
            if (name != shape.pszName) {
                continue;
            }
            if (!shape.bNumbered) {
                return iColon == std::string_view::npos
                           ? Add(shape.Make(), "", iOffset)
                           : Fail(iOffset, std::string(name) + " takes no count");
            }
            const int iCount =
                iColon == std::string_view::npos ? 1 : CountRead(count, kMaxTermsPerShape);
            if (iCount == 0) {
                return Fail(iOffset, "expected " + std::string(name) + ":N with N from 1 to " +
                                         std::to_string(kMaxTermsPerShape));
            }
            for (int k = 0; k < iCount; k++) {
                if (!Add(shape.Make(), std::to_string(++iNoNumbered), iOffset)) {
                    return false;
                }
            }
            return true;
        }
        return Fail(iOffset, "unknown term '" + std::string(text) +
                                 "' (gauss, lorentz, voigt, pvoigt, exp, const, linear, poly:K, "
                                 "formula:EXPR)");
    }

    bool FormulaRead(std::string_view formula, size_t iOffset) {
        std::string error;
        int iPosition = 0;
        std::unique_ptr<ModelTerm> pTerm =
            FormulaTermMake(std::string(formula), &error, &iPosition);
        if (pTerm == nullptr) {
            return Fail(iOffset + iPosition, "the formula does not parse: " + error);
        }
        if (pTerm->ParamBaseNames().empty()) {
            return Fail(iOffset, "the formula has no parameters (variables other than x)");
        }
        return Add(std::move(pTerm), "", iOffset);
    }

  private:
    bool Add(std::unique_ptr<ModelTerm> pTerm, const std::string &suffix, size_t iOffset) {
        std::string error;
        return pModel->TermAdd(std::move(pTerm), "", suffix, &error) || Fail(iOffset, error);
    }

    bool Fail(size_t iOffset, const std::string &message) {
        *pError = message + " at position " + std::to_string(iOffset + 1);
        return false;
    }

    Model *pModel;
    std::string *pError;
    int iNoNumbered = 0;
};

} // namespace

bool ModelParse(const std::string &text, Model *pModel, std::string *pError) {
    *pModel = Model();
    GrammarReader reader(pModel, pError);
    size_t iStart = 0;
    for (;;) {
        size_t iOffset = iStart;
        const std::string_view rest = Trimmed(std::string_view(text).substr(iStart), &iOffset);
        if (rest.starts_with(kFormulaPrefix)) {
            return reader.FormulaRead(rest.substr(kFormulaPrefix.size()),
                                      iOffset + kFormulaPrefix.size());
        }
        const size_t iPlus = text.find('+', iStart);
        const size_t iEnd = iPlus == std::string::npos ? text.size() : iPlus;
        iOffset = iStart;
        const std::string_view term =
            Trimmed(std::string_view(text).substr(iStart, iEnd - iStart), &iOffset);
        if (!reader.TermRead(term, iOffset)) {
            return false;
        }
        if (iPlus == std::string::npos) {
            return true;
        }
        iStart = iPlus + 1;
    }
}
