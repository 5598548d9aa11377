// The models of the nonlinear regression reference problems, each written once
// over the number type T (double or a dual number). b holds the parameters
// b1..bk as b[0]..b[k-1]; x holds the predictors (two for Nelson, one for the
// others).
#include "model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace bench {
namespace {

using std::atan;
using std::cos;
using std::exp;
using std::log;
using std::pow;
using std::sin;

constexpr double kPi = std::numbers::pi;

struct Misra1a { // also BoxBOD
    static constexpr int kParams = 2;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] * (1.0 - exp(-b[1] * x[0]));
    }
};

struct Misra1b {
    static constexpr int kParams = 2;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] * (1.0 - pow(1.0 + b[1] * x[0] / 2.0, -2.0));
    }
};

struct Misra1c {
    static constexpr int kParams = 2;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] * (1.0 - pow(1.0 + 2.0 * b[1] * x[0], -0.5));
    }
};

struct Misra1d {
    static constexpr int kParams = 2;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] * b[1] * x[0] / (1.0 + b[1] * x[0]);
    }
};

struct DanWood {
    static constexpr int kParams = 2;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] * pow(T(x[0]), b[1]);
    }
};

struct Chwirut { // Chwirut1 and Chwirut2
    static constexpr int kParams = 3;
    template <class T>
    static T Value(const T *b, const double *x) {
        return exp(-b[0] * x[0]) / (b[1] + b[2] * x[0]);
    }
};

struct Bennett5 {
    static constexpr int kParams = 3;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] * pow(b[1] + x[0], -1.0 / b[2]);
    }
};

struct Eckerle4 {
    static constexpr int kParams = 3;
    template <class T>
    static T Value(const T *b, const double *x) {
        const T z = (x[0] - b[2]) / b[1];
        return (b[0] / b[1]) * exp(-0.5 * z * z);
    }
};

struct Mgh10 {
    static constexpr int kParams = 3;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] * exp(b[1] / (x[0] + b[2]));
    }
};

struct Nelson { // log(y) = b1 - b2*x1*exp(-b3*x2)
    static constexpr int kParams = 3;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] - b[1] * x[0] * exp(-b[2] * x[1]);
    }
};

struct Rat42 {
    static constexpr int kParams = 3;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] / (1.0 + exp(b[1] - b[2] * x[0]));
    }
};

struct Rat43 {
    static constexpr int kParams = 4;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] / pow(1.0 + exp(b[1] - b[2] * x[0]), 1.0 / b[3]);
    }
};

struct Mgh09 {
    static constexpr int kParams = 4;
    template <class T>
    static T Value(const T *b, const double *x) {
        const double dX = x[0];
        return b[0] * (dX * dX + dX * b[1]) / (dX * dX + dX * b[2] + b[3]);
    }
};

struct Roszman1 {
    static constexpr int kParams = 4;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] - b[1] * x[0] - atan(b[2] / (x[0] - b[3])) / kPi;
    }
};

struct Mgh17 {
    static constexpr int kParams = 5;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] + b[1] * exp(-x[0] * b[3]) + b[2] * exp(-x[0] * b[4]);
    }
};

struct Kirby2 {
    static constexpr int kParams = 5;
    template <class T>
    static T Value(const T *b, const double *x) {
        const double dX = x[0];
        return (b[0] + b[1] * dX + b[2] * dX * dX) / (1.0 + b[3] * dX + b[4] * dX * dX);
    }
};

struct Lanczos { // Lanczos1, Lanczos2 and Lanczos3
    static constexpr int kParams = 6;
    template <class T>
    static T Value(const T *b, const double *x) {
        return b[0] * exp(-b[1] * x[0]) + b[2] * exp(-b[3] * x[0]) + b[4] * exp(-b[5] * x[0]);
    }
};

struct CubicRatio { // Hahn1 and Thurber
    static constexpr int kParams = 7;
    template <class T>
    static T Value(const T *b, const double *x) {
        const double dX = x[0];
        const double dX2 = dX * dX;
        const double dX3 = dX2 * dX;
        return (b[0] + b[1] * dX + b[2] * dX2 + b[3] * dX3) /
               (1.0 + b[4] * dX + b[5] * dX2 + b[6] * dX3);
    }
};

struct GaussPeaks { // Gauss1, Gauss2 and Gauss3
    static constexpr int kParams = 8;
    template <class T>
    static T Value(const T *b, const double *x) {
        const T z1 = (x[0] - b[3]) / b[4];
        const T z2 = (x[0] - b[6]) / b[7];
        return b[0] * exp(-b[1] * x[0]) + b[2] * exp(-(z1 * z1)) + b[5] * exp(-(z2 * z2));
    }
};

struct Enso {
    static constexpr int kParams = 9;
    template <class T>
    static T Value(const T *b, const double *x) {
        const double dAngle = 2.0 * kPi * x[0];
        const T angle1 = dAngle / b[3];
        const T angle2 = dAngle / b[6];
        return b[0] + b[1] * cos(dAngle / 12.0) + b[2] * sin(dAngle / 12.0) + b[4] * cos(angle1) +
               b[5] * sin(angle1) + b[7] * cos(angle2) + b[8] * sin(angle2);
    }
};

constexpr std::array kNistModels = {
    ModelInfoMake<Misra1a>("Misra1a"),    ModelInfoMake<Chwirut>("Chwirut2"),
    ModelInfoMake<Chwirut>("Chwirut1"),   ModelInfoMake<Lanczos>("Lanczos3"),
    ModelInfoMake<GaussPeaks>("Gauss1"),  ModelInfoMake<GaussPeaks>("Gauss2"),
    ModelInfoMake<DanWood>("DanWood"),    ModelInfoMake<Misra1b>("Misra1b"),
    ModelInfoMake<Kirby2>("Kirby2"),      ModelInfoMake<CubicRatio>("Hahn1"),
    ModelInfoMake<Nelson>("Nelson"),      ModelInfoMake<Mgh17>("MGH17"),
    ModelInfoMake<Lanczos>("Lanczos1"),   ModelInfoMake<Lanczos>("Lanczos2"),
    ModelInfoMake<GaussPeaks>("Gauss3"),  ModelInfoMake<Misra1c>("Misra1c"),
    ModelInfoMake<Misra1d>("Misra1d"),    ModelInfoMake<Roszman1>("Roszman1"),
    ModelInfoMake<Enso>("ENSO"),          ModelInfoMake<Mgh09>("MGH09"),
    ModelInfoMake<CubicRatio>("Thurber"), ModelInfoMake<Misra1a>("BoxBOD"),
    ModelInfoMake<Rat42>("Rat42"),        ModelInfoMake<Mgh10>("MGH10"),
    ModelInfoMake<Eckerle4>("Eckerle4"),  ModelInfoMake<Rat43>("Rat43"),
    ModelInfoMake<Bennett5>("Bennett5"),
};

} // namespace

const ModelInfo *NistModelFind(std::string_view sName) {
    const auto it = std::find_if(kNistModels.begin(), kNistModels.end(),
                                 [&](const ModelInfo &model) { return sName == model.pszName; });
    return it == kNistModels.end() ? nullptr : &*it;
}

std::span<const ModelInfo> NistModelsAll() {
    return kNistModels;
}

} // namespace bench
