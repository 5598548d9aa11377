// Decomposition properties on random matrices: a = U diag(w) V-transposed,
// orthonormal U and V, and w descending and non-negative.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "numeric/numeric.h"
#include "numeric/tests/containers.h"

namespace {

using Rows = std::vector<std::vector<double>>;

constexpr double kTolerance = 1e-12;

std::mt19937 &Generator() {
    static std::mt19937 generator(20261207U);
    return generator;
}

Rows RandomRows(int iRows, int iCols) {
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    Rows rows(iRows, std::vector<double>(iCols));
    for (auto &row : rows) {
        std::generate(row.begin(), row.end(), [&] { return uniform(Generator()); });
    }
    return rows;
}

// b-transposed b for a random k x n matrix b: positive semi-definite, of rank
// min(k, n).
Rows RandomGram(int n, int k) {
    const Rows b = RandomRows(k, n);
    Rows gram(n, std::vector<double>(n, 0.0));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            for (int r = 0; r < k; ++r) {
                gram[i][j] += b[r][i] * b[r][j];
            }
        }
    }
    return gram;
}

// Small matrices with mostly zero entries: the rank-deficient shapes that
// exercise the cancellation of negligible diagonal values.
Rows RandomSparse() {
    std::uniform_int_distribution<int> size(2, 6);
    std::uniform_int_distribution<int> entry(-6, 6);
    const int m = size(Generator());
    const int n = std::uniform_int_distribution<int>(2, m)(Generator());
    Rows rows(m, std::vector<double>(n));
    for (auto &row : rows) {
        std::generate(row.begin(), row.end(),
                      [&] { return entry(Generator()) > 2 ? entry(Generator()) * 0.75 : 0.0; });
    }
    return rows;
}

double FrobeniusNorm(const Rows &a) {
    double dSum = 0.0;
    for (const auto &row : a) {
        for (double dValue : row) {
            dSum += dValue * dValue;
        }
    }
    return std::sqrt(dSum);
}

// Largest deviation of the columns 1..n of q (with iRows rows) from
// orthonormality.
double OrthonormalityError(RealMatrix q, int iRows, int n) {
    double dError = 0.0;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            double dDot = 0.0;
            for (int r = 1; r <= iRows; ++r) {
                dDot += q[r][i] * q[r][j];
            }
            dError = std::max(dError, std::fabs(dDot - (i == j ? 1.0 : 0.0)));
        }
    }
    return dError;
}

void PropertiesExpect(const Rows &a, const std::string &name) {
    const int m = static_cast<int>(a.size());
    const int n = static_cast<int>(a.front().size());
    MatrixOwner u(MatrixFromRows(a));
    VectorOwner w(RealVectorAlloc(static_cast<unsigned>(n)));
    MatrixOwner v(RealMatrixAlloc(static_cast<unsigned>(n), static_cast<unsigned>(n)));
    ASSERT_EQ(RealMatrixSvd(u.get(), w.get(), v.get(), nullptr), 0) << name;

    Rows residual = a;
    for (int i = 1; i <= m; ++i) {
        for (int j = 1; j <= n; ++j) {
            for (int k = 1; k <= n; ++k) {
                residual[i - 1][j - 1] -= u.get()[i][k] * w.get()[k] * v.get()[j][k];
            }
        }
    }
    const double dNorm = FrobeniusNorm(a);
    EXPECT_LE(FrobeniusNorm(residual), kTolerance * (dNorm > 0.0 ? dNorm : 1.0))
        << name << ": reconstruction";
    EXPECT_LE(OrthonormalityError(u.get(), m, n), kTolerance) << name << ": U";
    EXPECT_LE(OrthonormalityError(v.get(), n, n), kTolerance) << name << ": V";
    for (int k = 1; k <= n; ++k) {
        EXPECT_GE(w.get()[k], 0.0) << name << ": w[" << k << "]";
        if (k < n) {
            EXPECT_GE(w.get()[k], w.get()[k + 1]) << name << ": w descending at " << k;
        }
    }
}

TEST(SvdProperties, SymmetricPositiveSemiDefinite) {
    const struct {
        int n, k;
    } cases[] = {{1, 1}, {3, 3}, {10, 10}, {40, 40}, {100, 100}, {10, 4}, {100, 30}};
    for (const auto &c : cases) {
        PropertiesExpect(RandomGram(c.n, c.k),
                         "gram " + std::to_string(c.n) + " of rank " + std::to_string(c.k));
    }
}

TEST(SvdProperties, Rectangular) {
    const struct { int m, n; } cases[] = {{2, 1}, {4, 3}, {7, 3}, {30, 10}, {60, 25}, {100, 100}};
    for (const auto &c : cases) {
        PropertiesExpect(RandomRows(c.m, c.n),
                         "random " + std::to_string(c.m) + "x" + std::to_string(c.n));
    }
}

TEST(SvdProperties, RankDeficient) {
    Rows zeroRows = RandomRows(8, 5);
    zeroRows[1].assign(5, 0.0);
    zeroRows[4].assign(5, 0.0);
    Rows zeroColumns = RandomRows(6, 4);
    Rows repeatedColumns = RandomRows(7, 5);
    for (int i = 0; i < 6; ++i) {
        zeroColumns[i][0] = 0.0;
        zeroColumns[i][2] = 0.0;
    }
    for (int i = 0; i < 7; ++i) {
        repeatedColumns[i][3] = repeatedColumns[i][0];
        repeatedColumns[i][4] = repeatedColumns[i][0];
    }
    PropertiesExpect(zeroRows, "zero rows");
    PropertiesExpect(zeroColumns, "zero columns");
    PropertiesExpect(repeatedColumns, "repeated columns");
    PropertiesExpect({{0, 5, 0}, {0, 0, 0}, {0, -12.5, 0.25}}, "sparse 3x3 of rank 2");
}

TEST(SvdProperties, SmallSparse) {
    for (int iCase = 1; iCase <= 300; ++iCase) {
        PropertiesExpect(RandomSparse(), "sparse case " + std::to_string(iCase));
    }
}

// The step search reads the eigenvectors of the normal matrix from U alone: for
// a symmetric positive definite matrix with distinct eigenvalues U must equal
// V, signs included.
TEST(SvdProperties, PositiveDefiniteGivesUEqualToV) {
    for (const int n : {2, 5, 20, 60}) {
        const Rows a = RandomGram(n, 2 * n);
        MatrixOwner u(MatrixFromRows(a));
        VectorOwner w(RealVectorAlloc(static_cast<unsigned>(n)));
        MatrixOwner v(RealMatrixAlloc(static_cast<unsigned>(n), static_cast<unsigned>(n)));
        ASSERT_EQ(RealMatrixSvd(u.get(), w.get(), v.get(), nullptr), 0) << n;
        double dDifference = 0.0;
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                dDifference = std::max(dDifference, std::fabs(u.get()[i][j] - v.get()[i][j]));
            }
        }
        EXPECT_LE(dDifference, 1e-10) << "gram " << n << " of full rank";
    }
}

} // namespace
