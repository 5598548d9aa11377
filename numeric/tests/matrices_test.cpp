#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "numeric/numeric.h"
#include "numeric/tests/containers.h"

namespace {

using Rows = std::vector<std::vector<double>>;

TEST(RealMatrixStorage, InvalidShapesAllocateNothing) {
    const struct {
        const char *name;
        unsigned iRows;
        unsigned iCols;
    } cases[] = {{"no rows", 0, 5},
                 {"no columns", 5, 0},
                 {"too many rows", 1000000000, 1},
                 {"too many columns", 1, 1000000000},
                 {"table too large", 600000000, 1},
                 {"rows too large", 2, 600000000}};
    const long base = MemLiveBlockCount();
    for (const auto &c : cases) {
        EXPECT_EQ(RealMatrixAlloc(c.iRows, c.iCols), nullptr) << c.name;
        EXPECT_EQ(MemLiveBlockCount(), base) << c.name << ": everything obtained is released";
    }
}

TEST(RealMatrixStorage, ResizeGrowsAndShrinks) {
    RealMatrix m = MatrixFromRows({{1, 2, 3}, {4, 5, 6}});
    m = RealMatrixResize(m, 4, 5);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Elements(m),
              (Rows{{1, 2, 3, 0, 0}, {4, 5, 6, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}));
    EXPECT_EQ(RealMatrixCheck(m), 0);
    m = RealMatrixResize(m, 2, 3);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Elements(m), (Rows{{1, 2, 3}, {4, 5, 6}}));

    const long base = MemLiveBlockCount();
    EXPECT_EQ(RealMatrixResize(m, 3, 600000000), nullptr);
    EXPECT_EQ(MemLiveBlockCount(), base - 3) << "a failed resize releases the whole matrix";
}

TEST(RealMatrixStorage, FreeAndCheckResults) {
    EXPECT_EQ(RealMatrixFree(nullptr), 0);
    EXPECT_EQ(RealMatrixCheck(nullptr), 1);
    auto mEmpty = static_cast<RealMatrix>(MemAlloc(2 * sizeof(RealVector)));
    EXPECT_EQ(RealMatrixCheck(mEmpty), 2);
    EXPECT_EQ(RealMatrixFree(mEmpty), 1) << "a table with a zero count is refused";
    MemFree(mEmpty);

    MatrixOwner m(RealMatrixAlloc(2, 2));
    EXPECT_EQ(RealMatrixCheck(m.get()), 0);
    m.get()[2] = RealVectorResize(m.get()[2], 0);
    EXPECT_EQ(RealMatrixCheck(m.get()), 11) << "an empty row is a bad row";
}

TEST(RealMatrixProducts, TimesVectorAndTranspose) {
    MatrixOwner a(MatrixFromRows({{1, 2}, {3, 4}, {5, 6}}));
    VectorOwner x(VectorFromList({1, -1}));
    VectorOwner y(VectorFromList({9, 9, 9, 9}));
    EXPECT_EQ(RealMatrixTimesVector(a.get(), x.get(), y.get()), 0);
    EXPECT_EQ(Elements(y.get()), (std::vector<double>{-1, -1, -1, 9})) << "beyond rows untouched";
    VectorOwner z(VectorFromList({1, 1, 1}));
    EXPECT_EQ(RealMatrixTransposeTimesVector(a.get(), z.get(), x.get()), 0);
    EXPECT_EQ(Elements(x.get()), (std::vector<double>{9, 12}));

    MatrixOwner square(MatrixFromRows({{2, 1}, {1, 3}}));
    VectorOwner xy(VectorFromList({1, 2}));
    EXPECT_EQ(RealMatrixTimesVector(square.get(), xy.get(), xy.get()), 0);
    EXPECT_EQ(Elements(xy.get()), (std::vector<double>{4, 7})) << "in place equals separate";
    EXPECT_EQ(RealMatrixTransposeTimesVector(square.get(), xy.get(), xy.get()), 0);
    EXPECT_EQ(Elements(xy.get()), (std::vector<double>{15, 25}));

    VectorOwner vrLong(VectorFromList({1, 1, 1}));
    EXPECT_EQ(RealMatrixTransposeTimesVector(a.get(), vrLong.get(), vrLong.get()), 0);
    EXPECT_EQ(Elements(vrLong.get()), (std::vector<double>{9, 12, 0}))
        << "in place with fewer columns than y: the result still arrives";
    EXPECT_EQ(RealMatrixTimesVector(nullptr, x.get(), y.get()), 1);
}

TEST(RealMatrixProducts, GramAndAccumulation) {
    MatrixOwner q(MatrixFromRows({{1, 2}, {3, 4}, {5, 6}}));
    MatrixOwner p(MatrixFromRows({{1, 10}, {10, 1}}));
    EXPECT_EQ(RealMatrixGramAdd(p.get(), q.get()), 0);
    EXPECT_EQ(Elements(p.get()), (Rows{{36, 54}, {54, 57}})) << "each mirror element once";
    MatrixOwner pWrong(RealMatrixAlloc(2, 3));
    EXPECT_EQ(RealMatrixGramAdd(pWrong.get(), q.get()), 1);

    VectorOwner y(VectorFromList({1, 1}));
    VectorOwner r(VectorFromList({1, 0, -1}));
    EXPECT_EQ(RealMatrixTransposeTimesVectorAdd(y.get(), q.get(), r.get()), 0);
    EXPECT_EQ(Elements(y.get()), (std::vector<double>{-3, -3}));
    EXPECT_EQ(RealMatrixTransposeTimesVectorAdd(r.get(), q.get(), r.get()), 1);
}

// The row-oriented accumulations must give exactly what the column-oriented
// ones give on the transpose: the Jacobian relies on it to keep its results
// while holding the transposed block.
TEST(RealMatrixProducts, RowOrientedAccumulationEqualsTransposedBitForBit) {
    constexpr int kRows = 257, kCols = 11;
    std::mt19937 generator(7);
    std::uniform_real_distribution<double> value(-1e3, 1e3);
    MatrixOwner q(RealMatrixAlloc(kRows, kCols));
    MatrixOwner qt(RealMatrixAlloc(kCols, kRows));
    VectorOwner r(RealVectorAlloc(kRows));
    for (int k = 1; k <= kRows; ++k) {
        r.get()[k] = value(generator);
        for (int i = 1; i <= kCols; ++i) {
            q.get()[k][i] = qt.get()[i][k] = value(generator) * std::exp(value(generator) / 100);
        }
    }
    MatrixOwner pColumns(RealMatrixAlloc(kCols, kCols));
    MatrixOwner pRows(RealMatrixAlloc(kCols, kCols));
    ASSERT_EQ(RealMatrixFill(pColumns.get(), 0.5), 0);
    ASSERT_EQ(RealMatrixFill(pRows.get(), 0.5), 0);
    EXPECT_EQ(RealMatrixGramAdd(pColumns.get(), q.get()), 0);
    EXPECT_EQ(RealMatrixRowsGramAdd(pRows.get(), qt.get()), 0);
    EXPECT_EQ(Elements(pRows.get()), Elements(pColumns.get()));

    VectorOwner yColumns(RealVectorAlloc(kCols));
    VectorOwner yRows(RealVectorAlloc(kCols));
    EXPECT_EQ(RealMatrixTransposeTimesVectorAdd(yColumns.get(), q.get(), r.get()), 0);
    EXPECT_EQ(RealMatrixTimesVectorAdd(yRows.get(), qt.get(), r.get()), 0);
    EXPECT_EQ(Elements(yRows.get()), Elements(yColumns.get()));

    EXPECT_EQ(RealMatrixRowsGramAdd(pRows.get(), q.get()), 1) << "p must be rows x rows";
    EXPECT_EQ(RealMatrixTimesVectorAdd(yRows.get(), qt.get(), yRows.get()), 1)
        << "r must be as long as a row";
    EXPECT_EQ(RealMatrixTimesVectorAdd(nullptr, qt.get(), r.get()), 1);
}

TEST(RealMatrixElements, ColumnFillAndRowScaling) {
    MatrixOwner a(RealMatrixAlloc(2, 3));
    VectorOwner v(VectorFromList({7, 8}));
    const struct {
        const char *name;
        int iCol;
        int iResult;
    } cases[] = {{"column 0", 0, 1}, {"column beyond", 4, 1}, {"last column", 3, 0}};
    for (const auto &c : cases) {
        EXPECT_EQ(RealMatrixColumnSet(a.get(), c.iCol, v.get()), c.iResult) << c.name;
    }
    EXPECT_EQ(Elements(a.get()), (Rows{{0, 0, 7}, {0, 0, 8}}));
    VectorOwner vrWrong(VectorFromList({1, 2, 3}));
    EXPECT_EQ(RealMatrixColumnSet(a.get(), 1, vrWrong.get()), 1) << "length differs from rows";

    EXPECT_EQ(RealMatrixFill(a.get(), 2.0), 0);
    EXPECT_EQ(RealMatrixRowsScale(a.get(), v.get()), 0);
    EXPECT_EQ(Elements(a.get()), (Rows{{14, 14, 14}, {16, 16, 16}}));
    EXPECT_EQ(RealMatrixRowsScale(a.get(), vrWrong.get()), 1);
    EXPECT_EQ(RealMatrixFill(nullptr, 1.0), 1);
}

} // namespace
