// The set-up stages of processing: validation of the described problem and the
// resolution of links into the list of free parameters.
#include <algorithm>
#include <cstring>

#include "varo/engine.h"

namespace {

constexpr int kMaxLinks = kMaxModels * kMaxParams;

bool BitsDiffer(double dFirst, double dSecond) {
    return std::memcmp(&dFirst, &dSecond, sizeof(double)) != 0;
}

// Linked parameters must agree in value and limits. Their freeIndex is not
// compared: link resolution recomputes it, and what an earlier run left there
// says nothing about this one.
bool LinkedParamsDiffer(const ParamRecord &first, const ParamRecord &second) {
    return BitsDiffer(first.value, second.value) || first.limitKind != second.limitKind ||
           BitsDiffer(first.lowerLimit, second.lowerLimit) ||
           BitsDiffer(first.upperLimit, second.upperLimit);
}

int ModelValidate(VaroObject *pObject, int m) {
    const ModelRecord &model = pObject->models[m];
    if (model.paramCount == 0) {
        ErrorReport(pObject, "%s: the number of parameters for the model %d has not been set",
                    kProcessingName, m);
        return kRcProcessingFailed;
    }
    for (int j = 1; j <= model.paramCount; ++j) {
        const ParamRecord &param = model.params[j];
        if (param.limitKind != kLimitNone &&
            (param.value < param.lowerLimit || param.value > param.upperLimit)) {
            ErrorReport(pObject,
                        "%s: initial value (%e) for the parameter %d (model %d) must be inside "
                        "the limits [%e,%e]",
                        kProcessingName, param.value, j, m, param.lowerLimit, param.upperLimit);
            return kRcProcessingFailed;
        }
    }
    if (model.modelCallback == nullptr) {
        ErrorReport(pObject, "%s: callback function for the model %d has not been set",
                    kProcessingName, m);
        return kRcProcessingFailed;
    }
    return 0;
}

// Compares parameter k of model m with every parameter of the same link in
// models m and later.
int LinkPartnersValidate(VaroObject *pObject, int m, int k) {
    const ParamRecord &param = pObject->models[m].params[k];
    for (int l = m; l <= pObject->modelCount; ++l) {
        const ModelRecord &other = pObject->models[l];
        for (int q = 1; q <= other.paramCount; ++q) {
            if (other.params[q].link == param.link && LinkedParamsDiffer(param, other.params[q])) {
                ErrorReport(pObject,
                            "%s: linked (link %d) parameters %d (model %d) and %d (model %d) do "
                            "not match",
                            kProcessingName, param.link, k, m, q, l);
                return kRcProcessingFailed;
            }
        }
    }
    return 0;
}

int LinksValidate(VaroObject *pObject) {
    for (int m = 1; m <= pObject->modelCount; ++m) {
        for (int k = 1; k <= pObject->models[m].paramCount; ++k) {
            if (pObject->models[m].params[k].link == 0) {
                continue;
            }
            const int iResult = LinkPartnersValidate(pObject, m, k);
            if (iResult != 0) {
                return iResult;
            }
        }
    }
    return 0;
}

// Counts the free parameters that link resolution would create, without
// writing anything.
int FreeParamsCount(const VaroObject *pObject) {
    int aiLinks[kMaxLinks] = {};
    int iLinkCount = 0;
    int iCount = 0;
    for (int m = 1; m <= pObject->modelCount; ++m) {
        const ModelRecord &model = pObject->models[m];
        for (int j = 1; j <= model.paramCount; ++j) {
            const ParamRecord &param = model.params[j];
            if (param.limitKind == kLimitFixed) {
                continue;
            }
            if (param.link != 0) {
                int *piEnd = aiLinks + iLinkCount;
                if (std::find(aiLinks, piEnd, param.link) != piEnd) {
                    continue;
                }
                aiLinks[iLinkCount++] = param.link;
            }
            ++iCount;
        }
    }
    return iCount;
}

// The entry of freeParams that carries iLink, or 0.
int FreeParamOfLinkFind(const VaroObject *pObject, int iLink) {
    for (int k = 1; k <= pObject->freeParamCount; ++k) {
        if (pObject->freeParams[k].link == iLink) {
            return k;
        }
    }
    return 0;
}

} // namespace

int SetupValidate(VaroObject *pObject) {
    if (pObject->modelCount == 0) {
        ErrorReport(pObject, "%s: the number of models has not been set", kProcessingName);
        return kRcProcessingFailed;
    }
    for (int m = 1; m <= pObject->modelCount; ++m) {
        const int iResult = ModelValidate(pObject, m);
        if (iResult != 0) {
            return iResult;
        }
    }
    const int iResult = LinksValidate(pObject);
    if (iResult != 0) {
        return iResult;
    }
    const int iFreeCount = FreeParamsCount(pObject);
    if (iFreeCount > kMaxFreeParams) {
        ErrorReport(pObject, "%s: too many free parameters (%d), at most %d", kProcessingName,
                    iFreeCount, kMaxFreeParams);
        return kRcProcessingFailed;
    }
    return 0;
}

int LinkResolve(VaroObject *pObject) {
    pObject->freeParamCount = 0;
    for (int m = 1; m <= pObject->modelCount; ++m) {
        ModelRecord &model = pObject->models[m];
        for (int j = 1; j <= model.paramCount; ++j) {
            ParamRecord &param = model.params[j];
            if (param.limitKind == kLimitFixed) {
                // A fixed parameter stands for no free parameter; an index left
                // from an earlier run would name someone else's.
                param.freeIndex = 0;
                continue;
            }
            const int k = param.link != 0 ? FreeParamOfLinkFind(pObject, param.link) : 0;
            if (k != 0) {
                param.freeIndex = pObject->freeParams[k].freeIndex;
                continue;
            }
            param.freeIndex = ++pObject->freeParamCount;
            pObject->freeParams[pObject->freeParamCount] = param;
        }
    }
    return 0;
}
