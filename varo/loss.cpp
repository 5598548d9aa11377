// Robust losses. With z = (r / s)^2 for a residual r and the scale s, the cost
// of a model is 1/2 s^2 sum rho(z), and its "norm" sqrt(s^2 sum rho(z)), which
// the linear loss rho(z) = z makes the Euclidean norm of the residuals. The
// step methods see the loss through the Jacobian's rows and the residuals:
// row i is multiplied by w_i = sqrt(rho'(z_i) + 2 z_i rho''(z_i)) (lifted to
// the machine epsilon where the curvature of the loss would make it negative)
// and the residual replaced by rho'(z_i) r_i / w_i. The normal matrix then
// is the Gauss-Newton approximation of the robust cost's Hessian, including
// the loss's own curvature, and the gradient is the cost's exact gradient, so
// that both step methods minimise the robust cost unchanged.
#include <cfloat>
#include <cmath>

#include "varo/engine.h"

namespace {

// rho(z) and its first two derivatives.
struct LossValues {
    double dRho;
    double dSlope;
    double dCurvature;
};

LossValues LossValuesGet(int iLoss, double z) {
    switch (iLoss) {
    case kLossSoftL1: {
        const double t = 1.0 + z;
        return {2.0 * (std::sqrt(t) - 1.0), 1.0 / std::sqrt(t), -0.5 / (t * std::sqrt(t))};
    }
    case kLossHuber:
        if (z <= 1.0) {
            return {z, 1.0, 0.0};
        }
        return {2.0 * std::sqrt(z) - 1.0, 1.0 / std::sqrt(z), -0.5 / (z * std::sqrt(z))};
    case kLossCauchy:
        return {std::log1p(z), 1.0 / (1.0 + z), -1.0 / ((1.0 + z) * (1.0 + z))};
    case kLossArctan:
        return {std::atan(z), 1.0 / (1.0 + z * z), -2.0 * z / ((1.0 + z * z) * (1.0 + z * z))};
    default:
        return {z, 1.0, 0.0};
    }
}

} // namespace

double ResidualNormGet(const VaroObject *pObject, RealVector vrResiduals) {
    if (pObject->lossKind == kLossLinear) {
        return RealVectorNorm(vrResiduals, 1, -1);
    }
    const double dScale = pObject->lossScale;
    const int iLength = VectorLengthGet(vrResiduals);
    double dSum = 0.0;
    for (int i = 1; i <= iLength; ++i) {
        const double r = vrResiduals[i];
        // A residual that is not finite makes the norm so, as without a loss
        // (arctan would bound an infinite one).
        const double z = (r / dScale) * (r / dScale);
        dSum += std::isfinite(r) ? LossValuesGet(pObject->lossKind, z).dRho : r * r;
    }
    return dScale * std::sqrt(dSum);
}

void LossWeightsApply(const VaroObject *pObject, RealVector vrResiduals, RealVector vrRowWeights,
                      RealVector vrWeighted) {
    const double dScale = pObject->lossScale;
    const int iLength = VectorLengthGet(vrResiduals);
    for (int i = 1; i <= iLength; ++i) {
        const double r = vrResiduals[i];
        const double z = (r / dScale) * (r / dScale);
        const LossValues loss = LossValuesGet(pObject->lossKind, z);
        double dCurvature = loss.dSlope + 2.0 * z * loss.dCurvature;
        if (!(dCurvature >= DBL_EPSILON)) {
            dCurvature = DBL_EPSILON;
        }
        vrRowWeights[i] = std::sqrt(dCurvature);
        vrWeighted[i] = loss.dSlope * r / vrRowWeights[i];
    }
}
