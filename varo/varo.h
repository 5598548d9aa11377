/* Varo: weighted nonlinear least-squares fitting of one or more models at once. */
#ifndef VARO_VARO_H
#define VARO_VARO_H

#ifdef __cplusplus
extern "C" {
#endif

typedef int VaroHandle;
typedef int (*VaroCallback)(VaroHandle iHandle);

int VaroObjectCreate(VaroHandle *piHandle);
int VaroObjectDelete(VaroHandle iHandle);
const char *VaroErrorStringGet(VaroHandle iHandle);
int VaroLogFileOpen(VaroHandle iHandle, const char *pszPath);

int VaroProgressCallbackSet(VaroHandle iHandle, VaroCallback pCallback);
int VaroProgressCallbackGet(VaroHandle iHandle, VaroCallback *ppCallback);
int VaroNoModelsSet(VaroHandle iHandle, int iNoModels);
int VaroNoModelsGet(VaroHandle iHandle, int *piNoModels);
int VaroNoModelParamsSet(VaroHandle iHandle, int iModel, int iNoParams);
int VaroNoModelParamsGet(VaroHandle iHandle, int iModel, int *piNoParams);
int VaroModelCallbackSet(VaroHandle iHandle, int iModel, VaroCallback pCallback);
int VaroModelCallbackGet(VaroHandle iHandle, int iModel, VaroCallback *ppCallback);
int VaroGradientCallbackSet(VaroHandle iHandle, int iModel, VaroCallback pCallback);
int VaroGradientCallbackGet(VaroHandle iHandle, int iModel, VaroCallback *ppCallback);
int VaroModelDataPointerSet(VaroHandle iHandle, int iModel, void *pData);
int VaroModelDataPointerGet(VaroHandle iHandle, int iModel, void **ppData);
int VaroParamLinkSet(VaroHandle iHandle, int iModel, int iParam, int iLink);
int VaroParamLinkGet(VaroHandle iHandle, int iModel, int iParam, int *piLink);
int VaroParamIniValueSet(VaroHandle iHandle, int iModel, int iParam, double dValue);
int VaroParamCurValueGet(VaroHandle iHandle, int iModel, int iParam, double *pdValue);
int VaroParamLimitsSet(VaroHandle iHandle, int iModel, int iParam, double dLower, double dUpper);
int VaroParamLimitsGet(VaroHandle iHandle, int iModel, int iParam, double *pdLower,
                       double *pdUpper);
int VaroMaxNoIterationsSet(VaroHandle iHandle, int iMaxIterations);
int VaroMaxNoIterationsGet(VaroHandle iHandle, int *piMaxIterations);
int VaroGaussNewtonResNormThreshSet(VaroHandle iHandle, double dThresh);
int VaroGaussNewtonResNormThreshGet(VaroHandle iHandle, double *pdThresh);
int VaroResNormChangeTerminationSet(VaroHandle iHandle, double dValue);
int VaroResNormChangeTerminationGet(VaroHandle iHandle, double *pdValue);
int VaroStabVsSpeedSet(VaroHandle iHandle, double dValue);
int VaroStabVsSpeedGet(VaroHandle iHandle, double *pdValue);
int VaroParValChangeTerminationSet(VaroHandle iHandle, double dValue);
int VaroParValChangeTerminationGet(VaroHandle iHandle, double *pdValue);

int VaroCurrentIterationGet(VaroHandle iHandle, int *piIteration);
int VaroCurrentModelGet(VaroHandle iHandle, int *piModel);
int VaroCurrentParamNumGet(VaroHandle iHandle, int *piParam);
int VaroCbReturnVectSet(VaroHandle iHandle, const double *adValues, int iLength);
int VaroModelResidualsGet(VaroHandle iHandle, int iModel, double *pdNorm, double *adResiduals);

int VaroProcessing(VaroHandle iHandle);

#ifdef __cplusplus
}
#endif

#endif
