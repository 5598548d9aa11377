// The checked record lookups shared by the configuration and query functions.
#ifndef VARO_CONFIG_H
#define VARO_CONFIG_H

#include "varo/object.h"

// Model iModel of the object, or null after reporting "%s: illegal model (%d)"
// with pszName when iModel lies outside 1..modelCount.
ModelRecord *ModelRecordFind(VaroObject *pObject, const char *pszName, int iModel);

// Parameter iParam of model iModel, or null after reporting the model check's
// message or "%s: illegal parameter number (%d)".
ParamRecord *ParamRecordFind(VaroObject *pObject, const char *pszName, int iModel, int iParam);

#endif
