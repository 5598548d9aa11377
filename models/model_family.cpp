// The families by name.
#include "models/model_family.h"

const ModelFamily *ModelFamilyFind(std::string_view name) {
    for (const ModelFamily *pFamily : {&gGaussFamily, &gExpFamily}) {
        if (name == pFamily->pszName) {
            return pFamily;
        }
    }
    return nullptr;
}
