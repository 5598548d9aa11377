// Solution of symmetric positive definite systems by Cholesky factorisation.
// Not part of the public API.
#ifndef VARO_NUMERIC_CHOLESKY_H
#define VARO_NUMERIC_CHOLESKY_H

#include "numeric/numeric.h"

// Solves A x = b in place for a symmetric positive definite k x k matrix A
// held in rows 1..k and columns iFirst..iFirst+k-1 of a, with b in column
// iFirst+k of the same rows. On success the lower triangle of the block holds
// the Cholesky factor L (A = L L^t) and column iFirst+k holds x; only the
// lower triangle of A is read. Returns false, a being partly overwritten,
// when a pivot is not positive and finite (A is not numerically positive
// definite). The caller sees to it that a holds the block.
bool CholeskySolve(RealMatrix a, int iFirst, int k);

#endif
