// The seeded noise of the data generators: splitmix64, a small generator
// whose sequence is fixed by its seed, and a Box-Muller transform, so that the
// files are the same on every run and platform (the standard library's
// distributions differ between implementations).
#ifndef VARO_DEMOS_TOOLS_NOISE_SOURCE_H
#define VARO_DEMOS_TOOLS_NOISE_SOURCE_H

#include <cmath>
#include <cstdint>
#include <numbers>

class NoiseSource {
  public:
    explicit NoiseSource(std::uint64_t iSeed) : iState(iSeed) {}

    // Normally distributed value with mean 0 and standard deviation dSigma.
    double Normal(double dSigma) {
        const double dU1 = Uniform();
        const double dU2 = Uniform();
        return dSigma * std::sqrt(-2 * std::log(dU1)) * std::cos(2 * std::numbers::pi * dU2);
    }

    // Uniform in (0, 1].
    double Uniform() {
        iState += 0x9e3779b97f4a7c15ULL;
        std::uint64_t iZ = iState;
        iZ = (iZ ^ (iZ >> 30)) * 0xbf58476d1ce4e5b9ULL;
        iZ = (iZ ^ (iZ >> 27)) * 0x94d049bb133111ebULL;
        iZ ^= iZ >> 31;
        return (static_cast<double>(iZ >> 11) + 1) / 9007199254740992.0;
    }

    // Uniform in (dLow, dHigh].
    double Between(double dLow, double dHigh) { return dLow + (dHigh - dLow) * Uniform(); }

  private:
    std::uint64_t iState;
};

#endif
