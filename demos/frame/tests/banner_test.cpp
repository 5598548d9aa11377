// The console banner, with VaroGauss's model rows.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demos/frame/frame.h"
#include "demos/frame/tests/demo_fixture.h"

namespace {

TEST(Banner, EighteenFramedRowsOfSixtyFourCharacters) {
    const std::vector<std::string> rows = ConsoleLines(ConsoleCapture(BannerPrint));
    ASSERT_EQ(rows.size(), 18u);
    const std::string dashRow(64, '-');
    EXPECT_EQ(rows.front(), dashRow);
    EXPECT_EQ(rows.back(), dashRow);
    for (size_t iRow = 1; iRow + 1 < rows.size(); iRow++) {
        EXPECT_EQ(rows[iRow].size(), 64u) << "row " << iRow + 1 << ": " << rows[iRow];
        EXPECT_EQ(rows[iRow].front(), '|') << "row " << iRow + 1;
        EXPECT_EQ(rows[iRow].back(), '|') << "row " << iRow + 1;
    }
    EXPECT_EQ(rows[2], "| Weighted Least Squares Fit by a sum of gaussian functions:   |");
    EXPECT_EQ(rows[6], "|     F(i)=  |   A(k)*exp( -(T(i)-M(k))^2 / (2*S(k)^2)  );     |");
    EXPECT_EQ(rows[12], "|           min(  |  ( W(i)*(F(i)-D(i) )^2 ) ,  i=1..M         |");
    EXPECT_EQ(rows[15], "| D,T,W(optional) are read from a file, N is a parameter ;     |");
}

} // namespace
