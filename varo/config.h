// Return codes of the API and the checked record lookups shared by the
// configuration and query functions.
#ifndef VARO_CONFIG_H
#define VARO_CONFIG_H

#include "varo/object.h"

// Return codes of the public functions.
constexpr int kRcNoObject = 1;
constexpr int kRcTableFull = 2;
constexpr int kRcNoMemory = 3;
constexpr int kRcNotReleased = 4;
constexpr int kRcOutOfRange = 5;
constexpr int kRcSetTwice = 6;
constexpr int kRcWhileProcessing = 11;
constexpr int kRcLogFileNotOpened = 12;
constexpr int kRcInternal = 1000;

// Model iModel of the object, or null after reporting "%s: illegal model (%d)"
// with pszName when iModel lies outside 1..modelCount.
ModelRecord *ModelRecordFind(VaroObject *pObject, const char *pszName, int iModel);

// Parameter iParam of model iModel, or null after reporting the model check's
// message or "%s: illegal parameter number (%d)".
ParamRecord *ParamRecordFind(VaroObject *pObject, const char *pszName, int iModel, int iParam);

#endif
