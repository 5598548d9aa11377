// Debug output and the dumps of vectors and matrices. DebugPrint discards
// everything unless a sink has been installed.
#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "numeric/counts.h"
#include "numeric/debug_sink.h"
#include "numeric/numeric.h"

namespace {

// Read by every DebugPrint, on whichever thread a fit runs.
std::atomic<DebugSink> debugSink{nullptr};

// Values per dump line.
constexpr int kDumpLineValues = 5;

// Longest piece of debug text passed to the sink, with its terminator.
constexpr size_t kDebugTextLength = 256;

} // namespace

DebugSink DebugSinkSet(DebugSink pSink) {
    return debugSink.exchange(pSink);
}

extern "C" int DebugPrint(const char *pszFormat, ...) {
    const DebugSink pSink = debugSink.load();
    if (pSink == nullptr || pszFormat == nullptr) {
        return 0;
    }
    // Dump pieces are short; a longer text is cut rather than allocated for.
    char acBuffer[kDebugTextLength];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(acBuffer, sizeof acBuffer, pszFormat, args);
    va_end(args);
    pSink(acBuffer);
    return 0;
}

extern "C" int RealVectorPrint(RealVector v) {
    if (RealVectorCheck(v) != 0) {
        DebugPrint("\n !!! Bad vector !!!\n");
        return 1;
    }
    const int n = RealVectorLengthGet(v);
    for (int k = 1; k <= n; k += kDumpLineValues) {
        DebugPrint("%4d:", k);
        for (int i = k; i <= n && i < k + kDumpLineValues; ++i) {
            DebugPrint("%13.4e", v[i]);
        }
        DebugPrint("\n");
    }
    return 0;
}

extern "C" int RealMatrixPrint(RealMatrix m) {
    if (RealMatrixCheck(m) != 0) {
        DebugPrint("\n !!! Bad matrix !!!\n");
        return 1;
    }
    const unsigned iRows = RealMatrixRowsGet(m);
    for (unsigned i = 1; i <= iRows; ++i) {
        DebugPrint("-- Row %3d --\n", static_cast<int>(i));
        RealVectorPrint(m[i]);
    }
    return 0;
}
