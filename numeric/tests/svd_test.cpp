#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "numeric/numeric.h"
#include "numeric/tests/containers.h"

namespace {

using Rows = std::vector<std::vector<double>>;

Rows Identity(int iRows, int iCols) {
    Rows rows(iRows, std::vector<double>(iCols, 0.0));
    for (int i = 0; i < iRows && i < iCols; ++i) {
        rows[i][i] = 1.0;
    }
    return rows;
}

struct Decomposition {
    MatrixOwner u;
    VectorOwner w;
    MatrixOwner v;
    int iResult;
};

Decomposition Decompose(const Rows &a, bool bWithV, SvdProgress pProgress = nullptr) {
    const auto n = static_cast<unsigned>(a.front().size());
    Decomposition d{MatrixOwner(MatrixFromRows(a)), VectorOwner(RealVectorAlloc(n)),
                    MatrixOwner(bWithV ? RealMatrixAlloc(n, n) : nullptr), 0};
    d.iResult = RealMatrixSvd(d.u.get(), d.w.get(), d.v.get(), pProgress);
    return d;
}

TEST(SvdExact, OneByOneSigns) {
    const struct {
        double x, u, w, v;
    } cases[] = {{3.0, -1.0, 3.0, -1.0}, {-2.0, -1.0, 2.0, 1.0}, {0.0, 1.0, 0.0, 1.0}};
    for (const auto &c : cases) {
        Decomposition d = Decompose({{c.x}}, true);
        ASSERT_EQ(d.iResult, 0) << "x = " << c.x;
        EXPECT_EQ(d.u.get()[1][1], c.u) << "U for x = " << c.x;
        EXPECT_EQ(d.w.get()[1], c.w) << "w for x = " << c.x;
        EXPECT_EQ(d.v.get()[1][1], c.v) << "V for x = " << c.x;
    }
}

TEST(SvdExact, ZeroMatrix) {
    Decomposition d = Decompose(Rows(4, std::vector<double>(3, 0.0)), true);
    ASSERT_EQ(d.iResult, 0);
    EXPECT_EQ(Elements(d.w.get()), (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(Elements(d.u.get()), Identity(4, 3));
    EXPECT_EQ(Elements(d.v.get()), Identity(3, 3));
}

TEST(SvdExact, RisingDiagonalIsSortedWithItsColumns) {
    Decomposition d = Decompose({{1, 0, 0}, {0, 2, 0}, {0, 0, 3}}, true);
    ASSERT_EQ(d.iResult, 0);
    EXPECT_EQ(Elements(d.w.get()), (std::vector<double>{3, 2, 1}));
    for (int j = 1; j <= 3; ++j) {
        EXPECT_EQ(std::fabs(d.u.get()[4 - j][j]), 1.0) << "U column " << j;
        EXPECT_EQ(std::fabs(d.v.get()[4 - j][j]), 1.0) << "V column " << j;
        EXPECT_EQ(d.u.get()[4 - j][j] * d.v.get()[4 - j][j], 1.0) << "signs agree, column " << j;
    }
}

TEST(SvdArguments, BadShapesChangeNothing) {
    const struct {
        const char *name;
        unsigned iRows, iCols, iLengthW, iRowsV, iColsV;
        bool bNullA, bNullW;
    } cases[] = {
        {"a absent", 3, 2, 2, 0, 0, true, false},
        {"w absent", 3, 2, 2, 0, 0, false, true},
        {"fewer rows than columns", 2, 3, 3, 0, 0, false, false},
        {"w longer than n", 3, 2, 3, 0, 0, false, false},
        {"w shorter than n", 3, 2, 1, 0, 0, false, false},
        {"v with too few rows", 3, 2, 2, 1, 2, false, false},
        {"v with too few columns", 3, 2, 2, 2, 1, false, false},
    };
    for (const auto &c : cases) {
        MatrixOwner a(RealMatrixAlloc(c.iRows, c.iCols));
        RealMatrixFill(a.get(), 2.0);
        VectorOwner w(RealVectorAlloc(c.iLengthW));
        MatrixOwner v(c.iRowsV > 0 ? RealMatrixAlloc(c.iRowsV, c.iColsV) : nullptr);
        const long base = MemLiveBlockCount();
        EXPECT_EQ(RealMatrixSvd(c.bNullA ? nullptr : a.get(), c.bNullW ? nullptr : w.get(), v.get(),
                                nullptr),
                  1)
            << c.name;
        EXPECT_EQ(Elements(a.get()), Rows(c.iRows, std::vector<double>(c.iCols, 2.0))) << c.name;
        EXPECT_EQ(MemLiveBlockCount(), base) << c.name;
    }
}

TEST(SvdArguments, LargerVKeepsItsOuterCells) {
    MatrixOwner a(MatrixFromRows({{1, 2}, {3, 4}, {5, 6}}));
    VectorOwner w(RealVectorAlloc(2));
    MatrixOwner v(RealMatrixAlloc(4, 5));
    RealMatrixFill(v.get(), 7.0);
    ASSERT_EQ(RealMatrixSvd(a.get(), w.get(), v.get(), nullptr), 0);
    for (int i = 1; i <= 4; ++i) {
        for (int j = 1; j <= 5; ++j) {
            if (i > 2 || j > 2) {
                EXPECT_EQ(v.get()[i][j], 7.0) << "v(" << i << ", " << j << ")";
            }
        }
    }
}

std::vector<float> progressSeen;
float progressStopAt = -1.0F;

int ProgressRecord(float fPercent) {
    progressSeen.push_back(fPercent);
    return fPercent == progressStopAt ? 1 : 0;
}

TEST(SvdProgress, PercentagesWithAndWithoutV) {
    const std::vector<float> withV = {0,     6.25, 12.5,  18.75, 25,    31.25, 37.5,  43.75, 50,
                                      56.25, 62.5, 68.75, 75,    81.25, 87.5,  93.75, 100};
    const std::vector<float> withoutV = {0,     6.25, 12.5,  18.75, 50,    56.25, 62.5,
                                         68.75, 75,   81.25, 87.5,  93.75, 100};
    const Rows a = {{4, 1, 0, 2}, {1, 3, 1, 0}, {0, 1, 5, 1}, {2, 0, 1, 6}, {1, 1, 1, 1}};
    for (const bool bWithV : {true, false}) {
        progressSeen.clear();
        progressStopAt = -1.0F;
        EXPECT_EQ(Decompose(a, bWithV, ProgressRecord).iResult, 0);
        EXPECT_EQ(progressSeen, bWithV ? withV : withoutV) << (bWithV ? "with V" : "without V");
    }
}

TEST(SvdProgress, StopEndsAtOnceAndReleasesWork) {
    const Rows a = {{4, 1, 0}, {1, 3, 1}, {0, 1, 5}};
    for (const float fStop : {0.0F, 50.0F, 100.0F}) {
        MatrixOwner u(MatrixFromRows(a));
        VectorOwner w(RealVectorFromArray(nullptr, std::vector<double>{9, 9, 9}.data(), 3));
        MatrixOwner v(RealMatrixAlloc(3, 3));
        const long base = MemLiveBlockCount();
        progressSeen.clear();
        progressStopAt = fStop;
        EXPECT_EQ(RealMatrixSvd(u.get(), w.get(), v.get(), ProgressRecord), -1) << fStop;
        EXPECT_EQ(progressSeen.back(), fStop) << "no call after the stop";
        EXPECT_EQ(MemLiveBlockCount(), base) << "work vector released, stop at " << fStop;
        if (fStop == 0.0F) {
            EXPECT_EQ(Elements(u.get()), a) << "first call comes before any change";
            EXPECT_EQ(Elements(w.get()), (std::vector<double>{9, 9, 9}));
            EXPECT_EQ(Elements(v.get()), Rows(3, std::vector<double>(3, 0.0)));
        }
    }
}

TEST(SvdArguments, NonFiniteInputKeepsContainersIntact) {
    const double dNaN = std::numeric_limits<double>::quiet_NaN();
    Decomposition d = Decompose({{dNaN, 1}, {1, 2}, {0, 1}}, true);
    EXPECT_EQ(d.iResult, 0);
    EXPECT_EQ(RealVectorCheck(d.w.get()), 0);
    EXPECT_EQ(RealMatrixCheck(d.u.get()), 0);
    EXPECT_EQ(RealMatrixCheck(d.v.get()), 0);
}

} // namespace
