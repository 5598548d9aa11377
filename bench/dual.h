// Forward-mode dual numbers: a value with its partial derivatives with respect
// to N inputs. A model written once over a number type T gives its value with
// T = double and its value with the exact gradient with T = Dual<N>.
#ifndef VARO_BENCH_DUAL_H
#define VARO_BENCH_DUAL_H

#include <array>
#include <cmath>

namespace bench {

template <int N>
struct Dual {
    double dValue = 0.0;
    std::array<double, N> adGrad{};

    constexpr Dual() = default;
    constexpr Dual(double dConstant) : dValue(dConstant) {}

    // The independent variable number iIndex (0-based) with the value dValue.
    static constexpr Dual Variable(double dValue, int iIndex) {
        Dual d(dValue);
        d.adGrad[iIndex] = 1.0;
        return d;
    }
};

namespace detail {

// Chain rule for a function of one argument: f(a) with f'(a) = dSlope.
template <int N>
constexpr Dual<N> ChainApply(const Dual<N> &a, double dValue, double dSlope) {
    Dual<N> r(dValue);
    for (int i = 0; i < N; ++i) {
        r.adGrad[i] = dSlope * a.adGrad[i];
    }
    return r;
}

} // namespace detail

template <int N>
constexpr Dual<N> operator-(const Dual<N> &a) {
    return detail::ChainApply(a, -a.dValue, -1.0);
}

template <int N>
constexpr Dual<N> operator+(const Dual<N> &a, const Dual<N> &b) {
    Dual<N> r(a.dValue + b.dValue);
    for (int i = 0; i < N; ++i) {
        r.adGrad[i] = a.adGrad[i] + b.adGrad[i];
    }
    return r;
}

template <int N>
constexpr Dual<N> operator-(const Dual<N> &a, const Dual<N> &b) {
    Dual<N> r(a.dValue - b.dValue);
    for (int i = 0; i < N; ++i) {
        r.adGrad[i] = a.adGrad[i] - b.adGrad[i];
    }
    return r;
}

template <int N>
constexpr Dual<N> operator*(const Dual<N> &a, const Dual<N> &b) {
    Dual<N> r(a.dValue * b.dValue);
    for (int i = 0; i < N; ++i) {
        r.adGrad[i] = a.adGrad[i] * b.dValue + a.dValue * b.adGrad[i];
    }
    return r;
}

template <int N>
constexpr Dual<N> operator/(const Dual<N> &a, const Dual<N> &b) {
    const double dQuotient = a.dValue / b.dValue;
    Dual<N> r(dQuotient);
    for (int i = 0; i < N; ++i) {
        r.adGrad[i] = (a.adGrad[i] - dQuotient * b.adGrad[i]) / b.dValue;
    }
    return r;
}

// Mixed forms with a plain double on either side.
template <int N>
constexpr Dual<N> operator+(const Dual<N> &a, double b) {
    return a + Dual<N>(b);
}
template <int N>
constexpr Dual<N> operator+(double a, const Dual<N> &b) {
    return Dual<N>(a) + b;
}
template <int N>
constexpr Dual<N> operator-(const Dual<N> &a, double b) {
    return a - Dual<N>(b);
}
template <int N>
constexpr Dual<N> operator-(double a, const Dual<N> &b) {
    return Dual<N>(a) - b;
}
template <int N>
constexpr Dual<N> operator*(const Dual<N> &a, double b) {
    return detail::ChainApply(a, a.dValue * b, b);
}
template <int N>
constexpr Dual<N> operator*(double a, const Dual<N> &b) {
    return b * a;
}
template <int N>
constexpr Dual<N> operator/(const Dual<N> &a, double b) {
    return detail::ChainApply(a, a.dValue / b, 1.0 / b);
}
template <int N>
constexpr Dual<N> operator/(double a, const Dual<N> &b) {
    return Dual<N>(a) / b;
}

template <int N>
Dual<N> exp(const Dual<N> &a) {
    const double dExp = std::exp(a.dValue);
    return detail::ChainApply(a, dExp, dExp);
}

template <int N>
Dual<N> log(const Dual<N> &a) {
    return detail::ChainApply(a, std::log(a.dValue), 1.0 / a.dValue);
}

template <int N>
Dual<N> sqrt(const Dual<N> &a) {
    const double dRoot = std::sqrt(a.dValue);
    return detail::ChainApply(a, dRoot, 0.5 / dRoot);
}

template <int N>
Dual<N> sin(const Dual<N> &a) {
    return detail::ChainApply(a, std::sin(a.dValue), std::cos(a.dValue));
}

template <int N>
Dual<N> cos(const Dual<N> &a) {
    return detail::ChainApply(a, std::cos(a.dValue), -std::sin(a.dValue));
}

template <int N>
Dual<N> atan(const Dual<N> &a) {
    return detail::ChainApply(a, std::atan(a.dValue), 1.0 / (1.0 + a.dValue * a.dValue));
}

// a to a constant power.
template <int N>
Dual<N> pow(const Dual<N> &a, double dExponent) {
    const double dPower = std::pow(a.dValue, dExponent);
    return detail::ChainApply(a, dPower, dExponent * std::pow(a.dValue, dExponent - 1.0));
}

// a to a variable power, for a > 0: d(a^b) = b a^(b-1) da + a^b ln(a) db.
template <int N>
Dual<N> pow(const Dual<N> &a, const Dual<N> &b) {
    const double dPower = std::pow(a.dValue, b.dValue);
    const double dBaseSlope = b.dValue * std::pow(a.dValue, b.dValue - 1.0);
    const double dExponentSlope = dPower * std::log(a.dValue);
    Dual<N> r(dPower);
    for (int i = 0; i < N; ++i) {
        r.adGrad[i] = dBaseSlope * a.adGrad[i] + dExponentSlope * b.adGrad[i];
    }
    return r;
}

} // namespace bench

#endif
