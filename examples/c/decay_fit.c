/* Fits y = a * exp(-k * t) to exact data from a = 5, k = 0.3 with the Varo
 * core library and prints the fitted values. Exits with 0 when the fit
 * converged to the values the data came from, 1 otherwise. */
#include <math.h>
#include <stdio.h>

#include "varo/varo.h"

#define POINT_COUNT 20

static double adTime[POINT_COUNT];
static double adValue[POINT_COUNT];

/* The model callback: hands the residuals data - model to the library. */
static int DecayResiduals(VaroHandle iHandle) {
    double dAmplitude = 0.0;
    double dRate = 0.0;
    double adResiduals[POINT_COUNT];
    int i;
    VaroParamCurValueGet(iHandle, 1, 1, &dAmplitude);
    VaroParamCurValueGet(iHandle, 1, 2, &dRate);
    for (i = 0; i < POINT_COUNT; ++i) {
        adResiduals[i] = adValue[i] - dAmplitude * exp(-dRate * adTime[i]);
    }
    return VaroCbReturnVectSet(iHandle, adResiduals, POINT_COUNT);
}

int main(void) {
    VaroHandle iHandle = 0;
    double dAmplitude = 0.0;
    double dRate = 0.0;
    int iStatus;
    int i;
    for (i = 0; i < POINT_COUNT; ++i) {
        adTime[i] = 0.5 * i;
        adValue[i] = 5.0 * exp(-0.3 * adTime[i]);
    }
    if (VaroObjectCreate(&iHandle) != 0) {
        fprintf(stderr, "no fit object\n");
        return 1;
    }
    VaroNoModelsSet(iHandle, 1);
    VaroNoModelParamsSet(iHandle, 1, 2);
    VaroModelCallbackSet(iHandle, 1, DecayResiduals);
    VaroParamIniValueSet(iHandle, 1, 1, 1.0);
    VaroParamIniValueSet(iHandle, 1, 2, 1.0);
    VaroResNormChangeTerminationSet(iHandle, 1e-10);
    iStatus = VaroProcessing(iHandle);
    if (iStatus != 0) {
        fprintf(stderr, "fit failed (%d): %s\n", iStatus, VaroErrorStringGet(iHandle));
        VaroObjectDelete(iHandle);
        return 1;
    }
    VaroParamCurValueGet(iHandle, 1, 1, &dAmplitude);
    VaroParamCurValueGet(iHandle, 1, 2, &dRate);
    VaroObjectDelete(iHandle);
    printf("amplitude %.8f, rate %.8f\n", dAmplitude, dRate);
    return fabs(dAmplitude - 5.0) < 1e-6 && fabs(dRate - 0.3) < 1e-6 ? 0 : 1;
}
