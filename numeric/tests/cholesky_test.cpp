#include <gtest/gtest.h>

#include <cmath>

#include "numeric/cholesky.h"
#include "numeric/tests/containers.h"

namespace {

// A block placed after one column of other data, with its right-hand side
// after it: only the block and that column may change.
TEST(CholeskySolve, SolvesTheBlockInPlace) {
    MatrixOwner a(MatrixFromRows({{7, 4, 2, 0, 8}, {7, 2, 5, 1, 15}, {7, 0, 1, 3, 11}}));
    ASSERT_TRUE(CholeskySolve(a.get(), 2, 3));
    // A = [[4,2,0],[2,5,1],[0,1,3]], b = (8,15,11): x = (1,2,3).
    const double adExpected[] = {1, 2, 3};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_NEAR(a.get()[i][5], adExpected[i - 1], 1e-14) << i;
        EXPECT_EQ(a.get()[i][1], 7.0) << "column before the block";
    }
}

TEST(CholeskySolve, RefusesMatricesThatAreNotPositiveDefinite) {
    const std::vector<std::vector<double>> cases[] = {{{1, 2, 1}, {2, 4, 1}},   // singular
                                                      {{-1, 0, 1}, {0, 1, 1}},  // negative pivot
                                                      {{NAN, 0, 1}, {0, 1, 1}}, // not a number
                                                      {{INFINITY, 0, 1}, {0, 1, 1}}};
    for (const auto &rows : cases) {
        MatrixOwner a(MatrixFromRows(rows));
        EXPECT_FALSE(CholeskySolve(a.get(), 1, 2)) << rows[0][0] << " " << rows[1][1];
    }
}

} // namespace
