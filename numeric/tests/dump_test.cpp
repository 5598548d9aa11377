#include <gtest/gtest.h>

#include <string>

#include "numeric/debug_sink.h"
#include "numeric/numeric.h"
#include "numeric/tests/containers.h"

namespace {

std::string dumpText;

void DumpCollect(const char *pszText) {
    dumpText += pszText;
}

// Captures DebugPrint output for one test and discards it again afterwards.
class Dump : public ::testing::Test {
  protected:
    void SetUp() override {
        dumpText.clear();
        DebugSinkSet(DumpCollect);
    }
    void TearDown() override { DebugSinkSet(nullptr); }
};

TEST_F(Dump, VectorOfSevenTakesTwoLines) {
    VectorOwner v(VectorFromList({1.0, -2.5, 0.0, 1e10, 3.25, 6.0, -7e-5}));
    EXPECT_EQ(RealVectorPrint(v.get()), 0);
    EXPECT_EQ(dumpText, "   1:   1.0000e+00  -2.5000e+00   0.0000e+00   1.0000e+10   3.2500e+00\n"
                        "   6:   6.0000e+00  -7.0000e-05\n");
}

TEST_F(Dump, BadVectorAndMatrix) {
    VectorOwner vrEmpty(RealVectorAlloc(0));
    EXPECT_EQ(RealVectorPrint(vrEmpty.get()), 1);
    EXPECT_EQ(RealVectorPrint(nullptr), 1);
    EXPECT_EQ(RealMatrixPrint(nullptr), 1);
    EXPECT_EQ(dumpText, "\n !!! Bad vector !!!\n\n !!! Bad vector !!!\n\n !!! Bad matrix !!!\n");
}

TEST_F(Dump, MatrixRowByRow) {
    MatrixOwner m(MatrixFromRows({{1.0, 2.0}, {3.0, 4.0}}));
    EXPECT_EQ(RealMatrixPrint(m.get()), 0);
    EXPECT_EQ(dumpText, "-- Row   1 --\n   1:   1.0000e+00   2.0000e+00\n"
                        "-- Row   2 --\n   1:   3.0000e+00   4.0000e+00\n");
}

} // namespace
