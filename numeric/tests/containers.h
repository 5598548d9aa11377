// Test helpers: owners that release containers when a test ends, and
// builders from literal lists.
#ifndef VARO_NUMERIC_TESTS_CONTAINERS_H
#define VARO_NUMERIC_TESTS_CONTAINERS_H

#include <initializer_list>
#include <memory>
#include <vector>

#include "numeric/numeric.h"

struct RealVectorRelease {
    void operator()(double *v) const { RealVectorFree(v); }
};
struct RealMatrixRelease {
    void operator()(RealVector *m) const { RealMatrixFree(m); }
};
using VectorOwner = std::unique_ptr<double, RealVectorRelease>;
using MatrixOwner = std::unique_ptr<RealVector, RealMatrixRelease>;

// Elements 1..length of a vector.
inline std::vector<double> Elements(RealVector v) {
    return std::vector<double>(v + 1, v + 1 + static_cast<int>(v[0]));
}

// Rows of a matrix, each as long as its own length.
inline std::vector<std::vector<double>> Elements(RealMatrix m) {
    std::vector<std::vector<double>> rows;
    for (size_t i = 1; i <= reinterpret_cast<size_t>(m[0]); ++i) {
        rows.push_back(Elements(m[i]));
    }
    return rows;
}

inline RealVector VectorFromList(std::initializer_list<double> values) {
    const std::vector<double> adValues(values);
    return RealVectorFromArray(nullptr, adValues.data(), static_cast<int>(adValues.size()));
}

inline RealMatrix MatrixFromRows(const std::vector<std::vector<double>> &rows) {
    RealMatrix m = RealMatrixAlloc(static_cast<unsigned>(rows.size()),
                                   static_cast<unsigned>(rows.front().size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        for (size_t j = 0; j < rows[i].size(); ++j) {
            m[i + 1][j + 1] = rows[i][j];
        }
    }
    return m;
}

#endif
