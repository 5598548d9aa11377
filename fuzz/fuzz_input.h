// Reads the bytes of one fuzz input as a stream of small decisions. Past the
// end every read gives zero, so any input is a complete program.
#ifndef VARO_FUZZ_FUZZ_INPUT_H
#define VARO_FUZZ_FUZZ_INPUT_H

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

class FuzzInput {
  public:
    FuzzInput(const uint8_t *pData, size_t size) : pData(pData), size(size) {}

    bool Empty() const { return position >= size; }

    uint8_t Byte() { return position < size ? pData[position++] : 0; }

    // A number from 0 to iCount - 1.
    int Choice(int iCount) { return iCount <= 0 ? 0 : Byte() % iCount; }

    // An int in [iLow, iHigh], with the bounds' neighbours and sign flips
    // reachable through the byte's top values.
    int Int(int iLow, int iHigh) {
        const uint8_t b = Byte();
        switch (b) {
        case 255:
            return std::numeric_limits<int>::min();
        case 254:
            return std::numeric_limits<int>::max();
        case 253:
            return iLow - 1;
        case 252:
            return iHigh + 1;
        default:
            return iLow + b % (iHigh - iLow + 1);
        }
    }

    // A double: mostly one of the values that break numerical code, else the
    // raw bits of the next eight bytes.
    double Double() {
        static const double kSpecial[] = {0.0,
                                          -0.0,
                                          1.0,
                                          -1.0,
                                          0.5,
                                          2.0,
                                          3.7,
                                          -2.5,
                                          1e-8,
                                          1e-300,
                                          1e300,
                                          DBL_MAX,
                                          -DBL_MAX,
                                          DBL_MIN,
                                          std::numeric_limits<double>::denorm_min(),
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(),
                                          std::numeric_limits<double>::quiet_NaN(),
                                          0.1,
                                          100.0};
        constexpr int kSpecialCount = sizeof(kSpecial) / sizeof(kSpecial[0]);
        const int iPick = Byte();
        if (iPick < 4 * kSpecialCount) {
            return kSpecial[iPick % kSpecialCount];
        }
        if (iPick < 240) {
            return static_cast<double>(static_cast<int8_t>(Byte())) / 8.0;
        }
        uint64_t bits = 0;
        for (int k = 0; k < 8; ++k) {
            bits = bits << 8 | Byte();
        }
        double dValue;
        std::memcpy(&dValue, &bits, sizeof dValue);
        return dValue;
    }

    // Everything not yet read.
    const uint8_t *Rest(size_t *pSize) {
        const size_t start = position < size ? position : size;
        *pSize = size - start;
        position = size;
        return pData + start;
    }

  private:
    const uint8_t *pData;
    size_t size;
    size_t position = 0;
};

// Ends the run with a report the fuzzer keeps: an invariant does not hold.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant does not hold: %s\n", __FILE__, __LINE__,       \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

#endif
