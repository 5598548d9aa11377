// Sequences of API calls on a few fit objects whose models are hostile: NaN,
// infinite, huge and tiny values, wrong and changing lengths, missing
// hand-overs, stops, and calls back into the library from inside a callback.
// Invariants: every call returns a code the header names, a failed processing
// leaves the parameters as they were, and once every object is deleted no
// block is left.
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "numeric/numeric.h"
#include "varo/varo.h"

namespace {

constexpr int kObjectsMax = 3;
constexpr int kModelsMax = 3;
constexpr int kParamsMax = 4;
constexpr int kPointsMax = 12;
constexpr int kOpsMax = 48;
constexpr int kNestingMax = 2;

// What a model callback does; chosen by the input for each model.
struct Behaviour {
    int iShape = 0;      // residual function
    int iPoints = 3;     // residuals handed over
    int iStopAt = -1;    // call number at which it returns iStopCode
    int iStopCode = 1;   // 1, 2, 7, -1: a stop, a code, a negative value
    int iSkipAt = -1;    // call number without a hand-over
    int iResizeAt = -1;  // call number from which the length changes
    int iNestedAt = -1;  // call number at which it calls into the library
    int iNestedCall = 0; // which call
    int iGradient = 0;   // 0 analytic, 1 declines, 2 stops, 3 wrong length, 4 no hand-over
    double dScale = 1.0;
    int iCalls = 0;
};

struct Session {
    VaroHandle handles[kObjectsMax] = {};
    Behaviour behaviours[kObjectsMax][kModelsMax + 1];
    int iNesting = 0;
    FuzzInput *pInput = nullptr;
};

Session *gpSession = nullptr;

// Every code of the header's table, and the model callbacks' own codes.
bool CodeKnown(int iRc) {
    static const int kCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 1000, -1};
    for (int iCode : kCodes) {
        if (iRc == iCode) {
            return true;
        }
    }
    return false;
}

int Checked(int iRc) {
    FUZZ_CHECK(CodeKnown(iRc));
    return iRc;
}

int SlotOf(VaroHandle iHandle) {
    for (int k = 0; k < kObjectsMax; ++k) {
        if (gpSession->handles[k] == iHandle && iHandle != 0) {
            return k;
        }
    }
    return -1;
}

int ParamCount(VaroHandle iHandle, int iModel) {
    int iCount = 0;
    return VaroNoModelParamsGet(iHandle, iModel, &iCount) == 0 ? iCount : 0;
}

double Shape(const Behaviour &b, const double *adParam, int iCount, double x, int iCall) {
    const double p0 = iCount > 0 ? adParam[0] : 0.0;
    const double p1 = iCount > 1 ? adParam[1] : 0.0;
    const double p2 = iCount > 2 ? adParam[2] : 1.0;
    switch (b.iShape) {
    case 0:
        return b.dScale * (p0 + p1 * x - std::sin(3.0 * x));
    case 1:
        return p0 * std::exp(p1 * x) - 2.0 * std::exp(-x);
    case 2:
        return p0 * std::exp(-(x - p1) * (x - p1) / (p2 * p2)) - std::exp(-x * x);
    case 3:
        return b.dScale;
    case 4:
        return std::nan("");
    case 5:
        return iCall % 2 == 0 ? HUGE_VAL : -p0;
    case 6:
        return std::sqrt(p0) + std::log(p1) - x;
    default:
        // Erratic: depends on the call, not only on the point.
        return p0 * x + 1e-9 * iCall * b.dScale;
    }
}

void Run(int iOps);
int Processing(VaroHandle iHandle);

// Deletes an object and forgets its handle when the deletion succeeded.
void HandleDelete(VaroHandle iHandle) {
    const int iSlot = SlotOf(iHandle);
    if (Checked(VaroObjectDelete(iHandle)) == 0 && iSlot >= 0) {
        gpSession->handles[iSlot] = 0;
    }
}

// A call into the library from inside a callback.
void NestedCall(VaroHandle iHandle, int iCall) {
    if (gpSession->iNesting >= kNestingMax) {
        return;
    }
    ++gpSession->iNesting;
    const VaroHandle iOther = gpSession->handles[iCall % kObjectsMax];
    switch (iCall % 8) {
    case 0:
        Checked(VaroProcessing(iHandle));
        break;
    case 1:
        HandleDelete(iHandle);
        break;
    case 2:
        Processing(iOther);
        break;
    case 3:
        Checked(VaroParamIniValueSet(iHandle, 1, 1, 5.0));
        break;
    case 4: {
        double adResiduals[kPointsMax * 4];
        double dNorm = 0.0;
        Checked(VaroModelResidualsGet(iHandle, 1, &dNorm, adResiduals));
        break;
    }
    case 5: {
        const double adValues[2] = {1.0, 2.0};
        Checked(VaroCbReturnVectSet(iHandle, adValues, 2));
        break;
    }
    case 6:
        HandleDelete(iOther);
        break;
    default:
        // Any further operations, from inside the callback.
        Run(4);
        break;
    }
    --gpSession->iNesting;
}

int ModelCallback(VaroHandle iHandle) {
    const int iSlot = SlotOf(iHandle);
    int iModel = 0;
    if (iSlot < 0 || VaroCurrentModelGet(iHandle, &iModel) != 0 || iModel < 1 ||
        iModel > kModelsMax) {
        return 0;
    }
    Behaviour &b = gpSession->behaviours[iSlot][iModel];
    const int iCall = b.iCalls++;
    if (iCall == b.iNestedAt) {
        NestedCall(iHandle, b.iNestedCall);
    }
    if (iCall == b.iStopAt) {
        return b.iStopCode;
    }
    if (iCall == b.iSkipAt) {
        return 0;
    }
    double adParam[kParamsMax] = {};
    const int iCount = std::min(ParamCount(iHandle, iModel), kParamsMax);
    for (int j = 0; j < iCount; ++j) {
        VaroParamCurValueGet(iHandle, iModel, j + 1, &adParam[j]);
    }
    const int iPoints = iCall >= b.iResizeAt && b.iResizeAt >= 0 ? b.iPoints + 1 : b.iPoints;
    std::vector<double> adResiduals(static_cast<size_t>(std::max(iPoints, 1)));
    for (int i = 0; i < iPoints; ++i) {
        adResiduals[i] = Shape(b, adParam, iCount, 0.25 * i, iCall);
    }
    Checked(VaroCbReturnVectSet(iHandle, adResiduals.data(), iPoints));
    return 0;
}

int GradientCallback(VaroHandle iHandle) {
    const int iSlot = SlotOf(iHandle);
    int iModel = 0;
    int iParam = 0;
    if (iSlot < 0 || VaroCurrentModelGet(iHandle, &iModel) != 0 || iModel < 1 ||
        iModel > kModelsMax) {
        return -1;
    }
    Checked(VaroCurrentParamNumGet(iHandle, &iParam));
    const Behaviour &b = gpSession->behaviours[iSlot][iModel];
    switch (b.iGradient) {
    case 1:
        return -1;
    case 2:
        return 1;
    case 4:
        return 0;
    default:
        break;
    }
    // A forward difference of the model's own shape.
    double adParam[kParamsMax] = {};
    const int iCount = std::min(ParamCount(iHandle, iModel), kParamsMax);
    for (int j = 0; j < iCount; ++j) {
        VaroParamCurValueGet(iHandle, iModel, j + 1, &adParam[j]);
    }
    const int iPoints = b.iGradient == 3 ? b.iPoints + 2 : b.iPoints;
    std::vector<double> adGradient(static_cast<size_t>(std::max(iPoints, 1)));
    for (int i = 0; i < iPoints; ++i) {
        const double dBase = Shape(b, adParam, iCount, 0.25 * i, 0);
        double adMoved[kParamsMax];
        std::memcpy(adMoved, adParam, sizeof adMoved);
        if (iParam >= 1 && iParam <= iCount) {
            adMoved[iParam - 1] += 1e-6;
        }
        adGradient[i] = (Shape(b, adMoved, iCount, 0.25 * i, 0) - dBase) / 1e-6;
    }
    Checked(VaroCbReturnVectSet(iHandle, adGradient.data(), iPoints));
    return 0;
}

int ProgressStopAt = -1;
int ProgressCalls = 0;

int ProgressCallback(VaroHandle iHandle) {
    int iIteration = 0;
    Checked(VaroCurrentIterationGet(iHandle, &iIteration));
    return ProgressCalls++ == ProgressStopAt ? 1 : 0;
}

// Values of every parameter of every model, bit for bit.
std::vector<unsigned char> ValuesGet(VaroHandle iHandle) {
    std::vector<unsigned char> bytes;
    int iModels = 0;
    VaroNoModelsGet(iHandle, &iModels);
    for (int m = 1; m <= iModels; ++m) {
        for (int j = 1; j <= ParamCount(iHandle, m); ++j) {
            double dValue = 0.0;
            VaroParamCurValueGet(iHandle, m, j, &dValue);
            const auto *p = reinterpret_cast<const unsigned char *>(&dValue);
            bytes.insert(bytes.end(), p, p + sizeof dValue);
        }
    }
    return bytes;
}

int Processing(VaroHandle iHandle) {
    const int iSlot = SlotOf(iHandle);
    const bool bOuter = gpSession->iNesting == 0;
    const std::vector<unsigned char> before = ValuesGet(iHandle);
    const int iRc = Checked(VaroProcessing(iHandle));
    // Nested calls may change the values of the object (inside a callback of
    // its own run they are refused), so the check is made for outer runs.
    if (iRc != 0 && iSlot >= 0 && bOuter && SlotOf(iHandle) >= 0) {
        FUZZ_CHECK(ValuesGet(iHandle) == before);
    }
    if (iRc != 0 && iRc != 1 && SlotOf(iHandle) >= 0) {
        FUZZ_CHECK(VaroErrorStringGet(iHandle) != nullptr);
    }
    return iRc;
}

void BehaviourRead(FuzzInput &input, Behaviour &b) {
    b.iShape = input.Choice(8);
    b.iPoints = input.Int(0, kPointsMax);
    if (b.iPoints < 0 || b.iPoints > kPointsMax) {
        b.iPoints = kPointsMax;
    }
    b.iStopAt = input.Choice(8) - 1;
    static const int kStopCodes[] = {1, 2, 7, -1};
    b.iStopCode = kStopCodes[input.Choice(4)];
    b.iSkipAt = input.Choice(8) - 1;
    b.iResizeAt = input.Choice(8) - 1;
    b.iNestedAt = input.Choice(8) - 1;
    b.iNestedCall = input.Choice(64);
    b.iGradient = input.Choice(5);
    b.dScale = input.Double();
    b.iCalls = 0;
}

void Op(FuzzInput &input) {
    const int iSlot = input.Choice(kObjectsMax);
    VaroHandle &iHandle = gpSession->handles[iSlot];
    const int iModel = input.Int(0, kModelsMax);
    const int iParam = input.Int(0, kParamsMax);
    switch (input.Choice(16)) {
    case 0:
        if (iHandle == 0) {
            VaroHandle iNew = 0;
            if (Checked(VaroObjectCreate(&iNew)) == 0) {
                iHandle = iNew;
                // Hundreds of iterations, each with perturbation searches of
                // hundreds of evaluations, are slow but no hang; the input
                // may still ask for them.
                Checked(VaroMaxNoIterationsSet(iNew, 20));
            }
        }
        break;
    case 1:
        HandleDelete(iHandle);
        break;
    case 2:
        Checked(VaroNoModelsSet(iHandle, iModel));
        break;
    case 3:
        Checked(VaroNoModelParamsSet(iHandle, iModel, iParam));
        break;
    case 4:
        Checked(VaroModelCallbackSet(iHandle, iModel, input.Choice(4) ? ModelCallback : nullptr));
        if (iModel >= 1 && iModel <= kModelsMax) {
            BehaviourRead(input, gpSession->behaviours[iSlot][iModel]);
        }
        break;
    case 5:
        Checked(
            VaroGradientCallbackSet(iHandle, iModel, input.Choice(2) ? GradientCallback : nullptr));
        break;
    case 6:
        Checked(VaroParamLinkSet(iHandle, iModel, iParam, input.Int(-1, 3)));
        break;
    case 7:
    case 8:
        Checked(VaroParamIniValueSet(iHandle, iModel, iParam, input.Double()));
        break;
    case 9:
        Checked(VaroParamLimitsSet(iHandle, iModel, iParam, input.Double(), input.Double()));
        break;
    case 10: {
        // A limit of 2^31 - 1 iterations is honoured on an exact fit, whose
        // norm of 0 never passes the termination test: too long for a run.
        const int iLimit = input.Int(-2, 40);
        Checked(VaroMaxNoIterationsSet(iHandle, iLimit == INT_MAX ? 40 : iLimit));
        break;
    }
    case 11:
        switch (input.Choice(8)) {
        case 0:
            Checked(VaroGaussNewtonResNormThreshSet(iHandle, input.Double()));
            break;
        case 4:
            Checked(VaroStepMethodSet(iHandle, input.Int(-1, 2)));
            break;
        case 5:
            Checked(VaroCovarianceSet(iHandle, input.Int(-1, 3)));
            break;
        case 6:
            Checked(VaroLossSet(iHandle, input.Int(-1, 5), input.Double()));
            break;
        case 7:
            Checked(VaroDifferenceSchemeSet(iHandle, input.Int(-1, 2)));
            break;
        case 1:
            Checked(VaroResNormChangeTerminationSet(iHandle, input.Double()));
            break;
        case 2:
            Checked(VaroStabVsSpeedSet(iHandle, input.Double()));
            break;
        default:
            Checked(VaroParValChangeTerminationSet(iHandle, input.Double()));
            break;
        }
        break;
    case 12:
        ProgressStopAt = input.Choice(6) - 1;
        ProgressCalls = 0;
        Checked(VaroProgressCallbackSet(iHandle, input.Choice(2) ? ProgressCallback : nullptr));
        break;
    case 13:
        Checked(VaroLogFileOpen(iHandle, input.Choice(3) == 0 ? nullptr
                                         : input.Choice(2)    ? "/dev/null"
                                                              : "/nonexistent/varo.log"));
        break;
    case 14: {
        double dValue = 0.0;
        double adResiduals[kPointsMax * 4];
        Checked(VaroParamCurValueGet(iHandle, iModel, iParam, &dValue));
        Checked(VaroModelResidualsGet(iHandle, iModel, &dValue, adResiduals));
        VaroErrorStringGet(iHandle);
        int iDegrees = 0;
        Checked(VaroChiSquareGet(iHandle, &dValue));
        Checked(VaroDegreesOfFreedomGet(iHandle, &iDegrees));
        Checked(VaroParamStdErrorGet(iHandle, iModel, iParam, &dValue));
        Checked(VaroParamCovarianceGet(iHandle, iModel, iParam, input.Int(0, kModelsMax),
                                       input.Int(0, kParamsMax), &dValue));
        Checked(VaroParamAtLimitGet(iHandle, iModel, iParam, &iDegrees));
        double dHigh = 0.0;
        Checked(VaroProfileIntervalGet(iHandle, iModel, iParam, input.Double(), &dValue, &dHigh));
        break;
    }
    default:
        Processing(iHandle);
        break;
    }
}

void Run(int iOps) {
    FuzzInput &input = *gpSession->pInput;
    for (int k = 0; k < iOps && !input.Empty(); ++k) {
        Op(input);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t size) {
    FuzzInput input(pData, size);
    Session session;
    session.pInput = &input;
    gpSession = &session;
    const long base = MemLiveBlockCount();
    Run(kOpsMax);
    for (VaroHandle &iHandle : session.handles) {
        if (iHandle != 0) {
            FUZZ_CHECK(VaroObjectDelete(iHandle) == 0);
            iHandle = 0;
        }
    }
    FUZZ_CHECK(MemLiveBlockCount() == base);
    gpSession = nullptr;
    return 0;
}
