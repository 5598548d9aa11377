// Checked lookups of model and parameter records by their 1-based numbers.
#include "varo/config.h"

ModelRecord *ModelRecordFind(VaroObject *pObject, const char *pszName, int iModel) {
    if (iModel < 1 || iModel > pObject->modelCount) {
        ErrorReport(pObject, "%s: illegal model (%d)", pszName, iModel);
        return nullptr;
    }
    return &pObject->models[iModel];
}

ParamRecord *ParamRecordFind(VaroObject *pObject, const char *pszName, int iModel, int iParam) {
    ModelRecord *pModel = ModelRecordFind(pObject, pszName, iModel);
    if (pModel == nullptr) {
        return nullptr;
    }
    if (iParam < 1 || iParam > pModel->paramCount) {
        ErrorReport(pObject, "%s: illegal parameter number (%d)", pszName, iParam);
        return nullptr;
    }
    return &pModel->params[iParam];
}
