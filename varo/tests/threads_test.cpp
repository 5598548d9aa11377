// Fit objects on several threads at once: the live-block count of each thread,
// and a stress run in which every thread creates, fits, queries and deletes
// objects while the others do the same, filling the handle table in every
// round.
#include <gtest/gtest.h>

#include <algorithm>
#include <barrier>
#include <bit>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine_fixture.h"
#include "numeric/numeric.h"

namespace engine_test {
namespace {

constexpr int kThreadCount = 8;
constexpr int kRoundCount = 20;
constexpr int kObjectLimit = 100;
// Creations tried per thread and round: together more than the limit.
constexpr int kCreationsPerThread = kObjectLimit / kThreadCount + 1;
constexpr int kRowCount = 60;

TEST(ThreadBlockCount, CountsOnlyTheCallingThreadsBlocks) {
    const long iBefore = MemLiveBlockCount();
    void *pBlock = nullptr;
    long iOtherThreadCount = 0;
    std::thread([&] {
        pBlock = MemAlloc(16);
        iOtherThreadCount = MemLiveBlockCount();
    }).join();
    EXPECT_EQ(iOtherThreadCount, 1) << "a new thread counts from 0";
    EXPECT_EQ(MemLiveBlockCount(), iBefore) << "another thread's block is not counted here";
    MemFree(pBlock);
    EXPECT_EQ(MemLiveBlockCount(), iBefore - 1) << "a release counts on the releasing thread";
}

// y = a exp(-((x - m) / s)^2) + c with its derivatives; b = (a, m, s, c).
double Peak(double x, const Values &b) {
    const double u = (x - b[1]) / b[2];
    return b[0] * std::exp(-u * u) + b[3];
}

double PeakSlope(double x, const Values &b, int j) {
    const double u = (x - b[1]) / b[2];
    const double e = std::exp(-u * u);
    const double adSlopes[] = {e, b[0] * e * 2.0 * u / b[2], b[0] * e * 2.0 * u * u / b[2], 1.0};
    return adSlopes[j - 1];
}

// y = a exp(-k x); b = (a, k).
double Decay(double x, const Values &b) {
    return b[0] * std::exp(-b[1] * x);
}

// A model of a curve sampled at x = i dStep with a small ripple, so that no fit
// is exact; analytical derivatives when pSlope is given.
TestModel CurveModel(double (*pCurve)(double, const Values &),
                     double (*pSlope)(double, const Values &, int), const Values &truth,
                     const Values &start, double dStep) {
    Values x(kRowCount);
    Values y(kRowCount);
    for (int i = 0; i < kRowCount; ++i) {
        x[i] = i * dStep;
        y[i] = pCurve(x[i], truth) + 1e-2 * std::sin(12.9898 * i + 0.5);
    }
    TestModel model;
    model.initial = start;
    model.residuals = [pCurve, x, y](const Values &b) {
        Values r(x.size());
        for (size_t i = 0; i < r.size(); ++i) {
            r[i] = pCurve(x[i], b) - y[i];
        }
        return r;
    };
    if (pSlope != nullptr) {
        model.derivative = [pSlope, x](const Values &b, int j) {
            Values g(x.size());
            for (size_t i = 0; i < g.size(); ++i) {
                g[i] = pSlope(x[i], b, j);
            }
            return g;
        };
    }
    return model;
}

enum FitKind { kAnalyticPeak, kDampedPeak, kNumericalDecay, kLinkedDecays, kFitKindCount };

// The fitted values of every model's parameters (each followed by its standard
// error for the linked fit, which computes the covariance), then the total
// norm; or the return code alone when the fit failed.
Values FitRun(VaroHandle iHandle, FitKind kind) {
    std::vector<TestModel> models;
    if (kind == kAnalyticPeak || kind == kDampedPeak) {
        models.push_back(
            CurveModel(Peak, PeakSlope, {5.0, 30.0, 8.0, 0.5}, {4.0, 27.0, 10.0, 0.0}, 1.0));
    } else if (kind == kNumericalDecay) {
        models.push_back(CurveModel(Decay, nullptr, {4.0, 0.3}, {2.0, 0.5}, 0.25));
    } else {
        // Two data sets sharing the decay rate, of which the first is fitted
        // numerically and the second analytically.
        models.push_back(CurveModel(Decay, nullptr, {3.0, 0.25}, {1.0, 0.5}, 0.5));
        models.push_back(CurveModel(
            Decay,
            [](double x, const Values &b, int j) {
                return j == 1 ? std::exp(-b[1] * x) : -x * b[0] * std::exp(-b[1] * x);
            },
            {7.0, 0.25}, {1.0, 0.5}, 0.4));
    }
    std::vector<TestModel *> modelPointers;
    for (TestModel &model : models) {
        modelPointers.push_back(&model);
    }
    ModelsConfigure(iHandle, modelPointers);
    if (kind == kDampedPeak) {
        VaroStepMethodSet(iHandle, 1);
    }
    if (kind == kLinkedDecays) {
        VaroParamLinkSet(iHandle, 1, 2, 1);
        VaroParamLinkSet(iHandle, 2, 2, 1);
        VaroCovarianceSet(iHandle, 1);
    }
    const int iRc = VaroProcessing(iHandle);
    if (iRc != 0) {
        return {static_cast<double>(iRc)};
    }
    Values fitted;
    for (int m = 1; m <= static_cast<int>(models.size()); ++m) {
        for (int j = 1; j <= static_cast<int>(models[m - 1].initial.size()); ++j) {
            double dValue = 0.0;
            VaroParamCurValueGet(iHandle, m, j, &dValue);
            fitted.push_back(dValue);
            if (kind == kLinkedDecays) {
                EXPECT_EQ(VaroParamStdErrorGet(iHandle, m, j, &dValue), 0);
                fitted.push_back(dValue);
            }
        }
    }
    double dNorm = 0.0;
    VaroModelResidualsGet(iHandle, 0, &dNorm, nullptr);
    fitted.push_back(dNorm);
    return fitted;
}

// True when both hold the same doubles, bit for bit.
bool BitsEqual(const Values &a, const Values &b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](double x, double y) {
               return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
           });
}

// Creates, fits and deletes one object; the fit's values.
Values FitAlone(FitKind kind) {
    VaroHandle iHandle = 0;
    EXPECT_EQ(VaroObjectCreate(&iHandle), 0);
    const Values fitted = FitRun(iHandle, kind);
    EXPECT_EQ(VaroObjectDelete(iHandle), 0);
    return fitted;
}

class StressRun {
  public:
    StressRun()
        : heldHandles(kThreadCount), roundStart(kThreadCount),
          tableFilled(kThreadCount, TableCheck{this}) {
        for (int k = 0; k < kFitKindCount; ++k) {
            references.push_back(FitAlone(static_cast<FitKind>(k)));
        }
    }

    // The fits run alone, before any thread starts.
    std::vector<Values> references;

    void ThreadRun(int iThread) {
        for (int iRound = 0; iRound < kRoundCount; ++iRound) {
            roundStart.arrive_and_wait();
            ObjectsCreate(iThread);
            tableFilled.arrive_and_wait();
            // At least kObjectLimit - (kThreadCount - 1) * kCreationsPerThread
            // objects are held by every thread, more than kFitKindCount.
            const std::vector<VaroHandle> &held = heldHandles[iThread];
            EXPECT_GE(held.size(), static_cast<size_t>(kFitKindCount));
            for (size_t k = 0; k < held.size() && k < kFitKindCount; ++k) {
                FitCheck(FitRun(held[k], static_cast<FitKind>(k)), static_cast<int>(k));
            }
            for (VaroHandle iHandle : held) {
                EXPECT_EQ(VaroObjectDelete(iHandle), 0);
                EXPECT_STREQ(VaroErrorStringGet(iHandle), "") << "a deleted handle";
                EXPECT_EQ(VaroNoModelsSet(iHandle, 1), 1) << "a deleted handle";
            }
            // Each thread now holds at most one object at a time, while others
            // still fit and delete.
            for (int k = 0; k < kFitKindCount; ++k) {
                FitCheck(FitAlone(static_cast<FitKind>(k)), k);
            }
        }
    }

  private:
    void ObjectsCreate(int iThread) {
        std::vector<VaroHandle> &held = heldHandles[iThread];
        held.clear();
        for (int i = 0; i < kCreationsPerThread; ++i) {
            VaroHandle iHandle = 0;
            const int iRc = VaroObjectCreate(&iHandle);
            EXPECT_TRUE(iRc == 0 || iRc == 2) << iRc;
            if (iRc == 0) {
                held.push_back(iHandle);
            }
        }
    }

    void FitCheck(const Values &fitted, int iKind) {
        EXPECT_TRUE(BitsEqual(fitted, references[iKind])) << "fit kind " << iKind;
    }

    // Runs once all threads have tried their creations: the table must hold
    // exactly the limit, under distinct handles in range.
    struct TableCheck {
        StressRun *pRun;
        void operator()() noexcept {
            std::set<VaroHandle> handles;
            size_t iHeld = 0;
            for (const std::vector<VaroHandle> &held : pRun->heldHandles) {
                iHeld += held.size();
                handles.insert(held.begin(), held.end());
            }
            EXPECT_EQ(iHeld, static_cast<size_t>(kObjectLimit));
            EXPECT_EQ(handles.size(), iHeld) << "handles must be unique";
            if (!handles.empty()) {
                EXPECT_GE(*handles.begin(), 1);
                EXPECT_LE(*handles.rbegin(), 32768);
            }
        }
    };

    std::vector<std::vector<VaroHandle>> heldHandles;
    std::barrier<> roundStart;
    std::barrier<TableCheck> tableFilled;
};

TEST(ThreadStress, ConcurrentObjectsFitAsAloneAndShareTheLimit) {
    StressRun run;
    for (const Values &reference : run.references) {
        ASSERT_GT(reference.size(), 1u) << "the fit run alone failed with " << reference[0];
    }
    testing::internal::CaptureStdout();
    std::vector<std::thread> threads;
    for (int iThread = 0; iThread < kThreadCount; ++iThread) {
        threads.emplace_back(&StressRun::ThreadRun, &run, iThread);
    }
    for (std::thread &thread : threads) {
        thread.join();
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "no leak banner";
}

} // namespace
} // namespace engine_test
