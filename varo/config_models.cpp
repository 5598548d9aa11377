// Configuration of the models: their number, parameter counts, callbacks and
// data pointers, and the progress callback.
#include <cinttypes>
#include <cstdint>

#include "varo/config.h"
#include "varo/object.h"

namespace {

// Logs a callback or data pointer as a hexadecimal number of its full width.
void PointerLog(VaroObject *pObject, const char *pszName, std::uintptr_t iPointer) {
    LogWrite(pObject, "== %s, Pointer=%" PRIxPTR "\n", pszName, iPointer);
}

std::uintptr_t PointerValueGet(VaroCallback pCallback) {
    return reinterpret_cast<std::uintptr_t>(pCallback);
}

std::uintptr_t PointerValueGet(const void *pData) {
    return reinterpret_cast<std::uintptr_t>(pData);
}

// The callback field named by bGradient: the gradient or the model callback.
VaroCallback &CallbackFieldSelect(ModelRecord *pModel, bool bGradient) {
    return bGradient ? pModel->gradientCallback : pModel->modelCallback;
}

int CallbackSet(VaroHandle iHandle, const char *pszName, int iModel, VaroCallback pCallback,
                bool bGradient) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    PointerLog(pObject, pszName, PointerValueGet(pCallback));
    ModelRecord *pModel = ModelRecordFind(pObject, pszName, iModel);
    if (pModel == nullptr) {
        return kRcOutOfRange;
    }
    CallbackFieldSelect(pModel, bGradient) = pCallback;
    return 0;
}

int CallbackGet(VaroHandle iHandle, const char *pszName, int iModel, VaroCallback *ppCallback,
                bool bGradient) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    ModelRecord *pModel = ModelRecordFind(pObject, pszName, iModel);
    if (pModel == nullptr) {
        return kRcOutOfRange;
    }
    *ppCallback = CallbackFieldSelect(pModel, bGradient);
    PointerLog(pObject, pszName, PointerValueGet(*ppCallback));
    return 0;
}

} // namespace

int VaroProgressCallbackSet(VaroHandle iHandle, VaroCallback pCallback) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    PointerLog(pObject, __func__, PointerValueGet(pCallback));
    pObject->progressCallback = pCallback;
    return 0;
}

int VaroProgressCallbackGet(VaroHandle iHandle, VaroCallback *ppCallback) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    *ppCallback = pObject->progressCallback;
    PointerLog(pObject, __func__, PointerValueGet(*ppCallback));
    return 0;
}

int VaroNoModelsSet(VaroHandle iHandle, int iNoModels) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s: No.models= %d\n", __func__, iNoModels);
    if (pObject->modelCount >= 1) {
        ErrorReport(pObject, "For a particular VARO object, '%s' must be called only once",
                    __func__);
        return kRcSetTwice;
    }
    if (iNoModels < 1 || iNoModels > kMaxModels) {
        ErrorReport(pObject, "%s: illegal no.models (%d)", __func__, iNoModels);
        return kRcOutOfRange;
    }
    pObject->modelCount = iNoModels;
    return 0;
}

int VaroNoModelsGet(VaroHandle iHandle, int *piNoModels) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        *piNoModels = 0;
        return kRcNoObject;
    }
    *piNoModels = pObject->modelCount;
    LogWrite(pObject, "== %s: No.models= %d\n", __func__, *piNoModels);
    return 0;
}

int VaroNoModelParamsSet(VaroHandle iHandle, int iModel, int iNoParams) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    LogWrite(pObject, "== %s: Model %d, No.Params=%d\n", __func__, iModel, iNoParams);
    ModelRecord *pModel = ModelRecordFind(pObject, __func__, iModel);
    if (pModel == nullptr) {
        return kRcOutOfRange;
    }
    if (iNoParams < 1 || iNoParams > kMaxParams) {
        ErrorReport(pObject, "%s: illegal no.parameters (%d)", __func__, iNoParams);
        return kRcOutOfRange;
    }
    if (pModel->paramCount >= 1) {
        ErrorReport(pObject, "For a particular VARO object, '%s' must be called only once",
                    __func__);
        return kRcSetTwice;
    }
    pModel->paramCount = iNoParams;
    return 0;
}

int VaroNoModelParamsGet(VaroHandle iHandle, int iModel, int *piNoParams) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        *piNoParams = 0;
        return kRcNoObject;
    }
    if (iModel < 1 || iModel > pObject->modelCount) {
        ErrorReport(pObject, "%s: illegal model number (%d)", __func__, iModel);
        return kRcOutOfRange;
    }
    *piNoParams = pObject->models[iModel].paramCount;
    LogWrite(pObject, "== %s: Model %d, No.Params=%d\n", __func__, iModel, *piNoParams);
    return 0;
}

int VaroModelCallbackSet(VaroHandle iHandle, int iModel, VaroCallback pCallback) {
    return CallbackSet(iHandle, __func__, iModel, pCallback, false);
}

int VaroModelCallbackGet(VaroHandle iHandle, int iModel, VaroCallback *ppCallback) {
    return CallbackGet(iHandle, __func__, iModel, ppCallback, false);
}

int VaroGradientCallbackSet(VaroHandle iHandle, int iModel, VaroCallback pCallback) {
    return CallbackSet(iHandle, __func__, iModel, pCallback, true);
}

int VaroGradientCallbackGet(VaroHandle iHandle, int iModel, VaroCallback *ppCallback) {
    return CallbackGet(iHandle, __func__, iModel, ppCallback, true);
}

int VaroModelDataPointerSet(VaroHandle iHandle, int iModel, void *pData) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    PointerLog(pObject, __func__, PointerValueGet(pData));
    ModelRecord *pModel = ModelRecordFind(pObject, __func__, iModel);
    if (pModel == nullptr) {
        return kRcOutOfRange;
    }
    pModel->dataPointer = pData;
    return 0;
}

int VaroModelDataPointerGet(VaroHandle iHandle, int iModel, void **ppData) {
    VaroObject *pObject = ObjectFromHandle(iHandle);
    if (pObject == nullptr) {
        return kRcNoObject;
    }
    ModelRecord *pModel = ModelRecordFind(pObject, __func__, iModel);
    if (pModel == nullptr) {
        return kRcOutOfRange;
    }
    *ppData = pModel->dataPointer;
    PointerLog(pObject, __func__, PointerValueGet(*ppData));
    return 0;
}
