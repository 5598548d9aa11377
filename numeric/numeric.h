/* Memory wrappers, 1-based vectors and matrices, and the singular value
 * decomposition used by the Varo fitting library.
 *
 * Containers carry their length in cell 0 and hold their elements in cells
 * 1..n. Allocating and resizing operations return the (possibly moved) block or
 * null; release operations return what the holder stores back: null after a
 * successful release. */
#ifndef VARO_NUMERIC_NUMERIC_H
#define VARO_NUMERIC_NUMERIC_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef double *RealVector;     /* cell 0 holds the length */
typedef RealVector *RealMatrix; /* cell 0 holds the row count */
typedef int *IntVector;         /* cell 0 holds the length */

/* ---- Allocation wrappers ------------------------------------------------
 * All library memory passes through these functions. They keep a count of
 * live blocks (MemLiveBlockCount) so that a caller can detect leaks by
 * comparing the count before and after a piece of work. Every function may be
 * called from several threads at once; the count is kept per thread. */

/* Allocates a zero-filled block.
 *   size  I: byte count; at most 4294967295.
 * Returns the block, or null when size is too large or the allocation fails.
 * The caller owns the block and releases it with MemFree. */
void *MemAlloc(size_t size);
/* Changes the size of a block.
 *   pBlock  I: block from MemAlloc/MemRealloc, or null.
 *   size    I: new byte count; at most 4294967295.
 * With a null pBlock this is MemAlloc(size) (zero-filled). Otherwise the block
 * is reallocated; its contents are kept up to the smaller size and a new
 * tail is not zeroed. A size of 0 keeps a minimal block rather than
 * releasing it. Returns the (possibly moved) block, or null on failure, in
 * which case pBlock is still valid and still owned by the caller. */
void *MemRealloc(void *pBlock, size_t size);
/* Releases a block (null is accepted and ignored).
 *   pBlock  I: block from MemAlloc/MemRealloc, or null.
 * Returns null, which the holder stores back into its pointer. */
void *MemFree(void *pBlock);
/* Allocates a table of blocks: a 0-based table of iCount pointers (no count
 * cell), entry k pointing to a zero-filled block of size bytes.
 *   iCount  I: number of blocks; the caller keeps it for MemFree2D.
 *   size    I: byte count of each block.
 * Returns the table, or null when the table or any block cannot be obtained
 * (everything obtained so far is released). Release with MemFree2D. */
void **MemAlloc2D(unsigned iCount, size_t size);
/* Releases a table from MemAlloc2D: entries iCount-1 down to 0 (null entries
 * skipped, each entry set to its release result), then the table.
 *   ppTable  I/O: the table, or null (nothing to release).
 *   iCount   I: the count given to MemAlloc2D.
 * Returns null on success; a non-null value when a release failed (the
 * release stops there and the table is kept). */
void *MemFree2D(void **ppTable, unsigned iCount);
/* Returns 1 when pBlock is null or size is 0, else 0. */
int MemPtrBad(const void *pBlock, size_t size);
/* Number of blocks obtained through the wrappers and not yet released:
 * MemAlloc and MemRealloc(null, ..) add one, MemFree of a non-null block
 * removes one, a reallocation of an existing block keeps the count.
 * The count belongs to the calling thread: it counts the blocks that this
 * thread obtained, less those that this thread released. In a process whose
 * library calls all come from one thread this is the number of live blocks. A
 * block obtained on one thread and released on another leaves one more on the
 * first thread's count and one less (possibly below 0) on the second's, so a
 * comparison before and after a piece of work sees only that thread's work. */
long MemLiveBlockCount(void);
/* Debug output in printf style; writes nothing. Returns 0. The vector and
 * matrix dumps go through it, one call per piece. */
int DebugPrint(const char *pszFormat, ...);

/* ---- Real vectors -------------------------------------------------------
 * A RealVector is one block of n+1 doubles: cell 0 holds the length n (a
 * double of integer value), cells 1..n the elements, numbered from 1. A sound
 * vector has 1 <= n <= 999999999. Release a vector with RealVectorFree. */

/* Allocates a vector of length n with all elements 0.0.
 *   n  I: length, 0 to 999999999 (a vector of length 0 exists but is bad).
 * Returns the vector, or null when n is too large or memory is short. */
RealVector RealVectorAlloc(unsigned n);
/* Changes the length of a vector, keeping elements 1..min(old, n).
 *   v  I: vector or null (then this is RealVectorAlloc(n)).
 *   n  I: new length, at most 999999999.
 * Returns v itself when its length already is n, else the (possibly moved)
 * vector; added elements are 0.0. Returns null when n is too large or when
 * the reallocation fails; v is then released in both cases. The holder always
 * replaces its pointer by the result. */
RealVector RealVectorResize(RealVector v, unsigned n);
/* Releases a vector (null is accepted). Returns null, to be stored back. */
RealVector RealVectorFree(RealVector v);
/* Returns 0 for a sound vector; 1 when v is null or its length is outside
 * 1..999999999. */
int RealVectorCheck(RealVector v);
/* Dumps a vector through DebugPrint: five "%13.4e" values a line, each line
 * headed by the index of its first element ("%4d:"). A bad vector dumps as
 * "\n !!! Bad vector !!!\n". Returns 1 for a bad vector, else 0. */
int RealVectorPrint(RealVector v);
/* Resizes v to iCount elements and copies a plain array into it.
 *   v         I: vector or null.
 *   adValues  I: iCount doubles, 0-based; element i+1 takes adValues[i].
 *   iCount    I: number of values.
 * Returns the (possibly moved) vector, or null under the failures of
 * RealVectorResize, or when adValues is null while iCount > 0; v is released
 * whenever the result is null. */
RealVector RealVectorFromArray(RealVector v, const double *adValues, int iCount);
/* Finds the element of largest magnitude among elements iFirst..iLast.
 *   v         I: vector.
 *   iFirst    I: first index, from 1.
 *   iLast     I: last index; -1 means length(v).
 *   pdMaxAbs  O: the largest magnitude (0.0 when every element is 0.0);
 *                untouched on failure; may be null.
 * Returns the lowest index holding the largest magnitude, 0 when no element
 * exceeds 0.0, or -1 when v is null, iFirst < 1, iLast < iFirst or iLast >
 * length(v). */
int RealVectorMaxAbsIndex(RealVector v, int iFirst, int iLast, double *pdMaxAbs);
/* Euclidean norm of elements iFirst..iLast (iLast -1: length(v)), summed in
 * rising index order. Returns -1.0 under the range failures of
 * RealVectorMaxAbsIndex. */
double RealVectorNorm(RealVector v, int iFirst, int iLast);
/* Multiplies every element of v (I/O) by dFactor. Returns 1 when v is null,
 * else 0. */
int RealVectorScale(RealVector v, double dFactor);
/* Copies the elements of vrSource (I) into vrDestination (O); the source
 * comes first. Returns 1 when the lengths differ or a vector is null (the
 * destination is untouched), else 0. */
int RealVectorCopy(RealVector vrSource, RealVector vrDestination);
/* Makes vrDestination an element-by-element copy of vrSource; the
 * destination comes first.
 *   vrDestination  I: vector or null; resized with RealVectorResize.
 *   vrSource       I: vector to copy.
 * Returns the (possibly moved or new) destination, or null when vrSource is
 * null or the resize fails (see RealVectorResize); vrDestination is then
 * released. */
RealVector RealVectorClone(RealVector vrDestination, RealVector vrSource);
/* Element-wise out[i] = a[i] op b[i] for i = 1..min(length(a), length(b)).
 *   a, b        I: operands.
 *   iOperation  I: 1 add, 2 subtract, 3 multiply, 4 divide.
 *   vrOut       O: result, at least as long as the shorter operand; may be a
 *                  or b.
 * Returns 0 on success; 1 when a vector is null, an operand is empty or
 * vrOut is too short; 2 for an unknown operation; 3 when a divisor is not
 * strictly positive (zero, negative or NaN): the division stops there, the
 * elements before it already written. */
int RealVectorCombine(RealVector a, unsigned iOperation, RealVector b, RealVector vrOut);
/* Sets every element of v (O) to dValue. Returns 1 when v is null or
 * empty, else 0. */
int RealVectorFill(RealVector v, double dValue);

/* ---- Real matrices ------------------------------------------------------
 * A RealMatrix is a table of rows+1 pointer cells: cell 0 holds the row count
 * as an integer, cells 1..rows point to the rows, each a RealVector of length
 * cols. Element (i, j), both from 1, is m[i][j]. The column count is the
 * length of row 1. The matrix owns its rows; release it with RealMatrixFree.
 * The products and accumulations expect every row to be as long as row 1. */

/* Allocates an iRows x iCols matrix with all elements 0.0.
 *   iRows, iCols  I: 1 to 999999999 each.
 * Returns the matrix, or null for an invalid shape or when memory is short
 * (what was obtained is released first). */
RealMatrix RealMatrixAlloc(unsigned iRows, unsigned iCols);
/* Changes the shape of a matrix, keeping the leading elements.
 *   m             I: matrix or null (then this is RealMatrixAlloc).
 *   iRows, iCols  I: new shape, 1 to 999999999 each.
 * Rows beyond iRows are released; new rows and new columns are 0.0. Returns
 * the (possibly moved) matrix; null for an invalid shape or when memory is
 * short, m being released entirely in both cases. */
RealMatrix RealMatrixResize(RealMatrix m, unsigned iRows, unsigned iCols);
/* Releases every row, last first, then the table.
 * Returns 0 on success or for a null m; 1 when the row count is 0 (nothing
 * is released) or a release failed. The holder then sets its pointer to
 * null itself. */
int RealMatrixFree(RealMatrix m);
/* Returns 0 for a sound matrix; 1 when m is null; 2 when the row count is
 * outside 1..999999999; 11 when a row is a bad vector. */
int RealMatrixCheck(RealMatrix m);
/* Dumps a matrix through DebugPrint: "-- Row %3d --\n" and the dump of each
 * row (see RealVectorPrint). A bad matrix dumps as
 * "\n !!! Bad matrix !!!\n". Returns 1 for a bad matrix, else 0. */
int RealMatrixPrint(RealMatrix m);
/* y = a x over the common sizes: y[i] for i = 1..min(rows(a), length(y)),
 * each summing j = 1..min(cols(a), length(x)); other elements of y are
 * untouched.
 *   a  I: matrix.  x  I: vector.  y  O: vector; may be x itself, in which
 *   case the product goes through a temporary and elements of y beyond the
 *   result become 0.0.
 * Returns 0; 1 when an argument is null; 2 when the temporary cannot be
 * allocated. */
int RealMatrixTimesVector(RealMatrix a, RealVector x, RealVector y);
/* y = a-transposed x over the common sizes: y[i] for i = 1..min(cols(a),
 * length(y)), each summing j = 1..min(rows(a), length(x)). Arguments, the
 * in-place case and the results are those of RealMatrixTimesVector. */
int RealMatrixTransposeTimesVector(RealMatrix a, RealVector x, RealVector y);
/* Sets column iCol (from 1) of a (O) to the elements of v (I).
 * Returns 1 when length(v) differs from rows(a), iCol is outside
 * 1..cols(a) or an argument is null, else 0. */
int RealMatrixColumnSet(RealMatrix a, int iCol, RealVector v);
/* p += q-transposed q, for q of m rows and n columns.
 *   p  I/O: n x n matrix; stays symmetric when it was.
 *   q  I: matrix.
 * Returns 1 when p is not n x n or an argument is null, else 0. */
int RealMatrixGramAdd(RealMatrix p, RealMatrix q);
/* y += q-transposed r, for q of m rows and n columns.
 *   y  I/O: vector of length n.  q  I: matrix.  r  I: vector of length m.
 * Returns 1 when a length does not fit or an argument is null, else 0. */
int RealMatrixTransposeTimesVectorAdd(RealVector y, RealMatrix q, RealVector r);
/* p += q q-transposed, for q of n rows and m columns: the Gram matrix of the
 * rows of q. Equal, bit for bit, to RealMatrixGramAdd of the transpose of q
 * (each sum runs over the columns in rising order), but reads every row of q
 * in storage order, so a tall Jacobian is best held as its transpose.
 *   p  I/O: n x n matrix; stays symmetric when it was.
 *   q  I: matrix.
 * Returns 1 when p is not n x n or an argument is null, else 0. */
int RealMatrixRowsGramAdd(RealMatrix p, RealMatrix q);
/* y += q r, for q of n rows and m columns; each sum runs over j = 1..m in
 * rising order, so this equals RealMatrixTransposeTimesVectorAdd of the
 * transpose of q bit for bit.
 *   y  I/O: vector of length n.  q  I: matrix.  r  I: vector of length m.
 * Returns 1 when a length does not fit or an argument is null, else 0. */
int RealMatrixTimesVectorAdd(RealVector y, RealMatrix q, RealVector r);
/* Sets every element of a (O) to dValue. Returns 1 when a is null or has no
 * rows or columns, else 0. */
int RealMatrixFill(RealMatrix a, double dValue);
/* Multiplies row i of a (I/O) by v[i] (I) for every row. Returns 1 when
 * length(v) differs from rows(a), an argument is null or a row is null,
 * else 0. */
int RealMatrixRowsScale(RealMatrix a, RealVector v);

/* ---- Integer vectors ----------------------------------------------------
 * An IntVector is one block of n+1 ints: cell 0 holds n, cells 1..n the
 * elements. Release it with IntVectorFree. */

/* Allocates a vector of n (I, >= 0) elements, all 0. Returns it, or null for
 * a negative n or when memory is short. */
IntVector IntVectorAlloc(int n);
/* Changes the length of v (I; null: IntVectorAlloc(n)) to n (I, >= 0),
 * keeping the leading elements; added elements are 0. Returns v itself when
 * cell 0 already holds n, else the (possibly moved) vector; null for a
 * negative n or when the reallocation fails, v being released in both cases.
 * The holder always replaces its pointer by the result. */
IntVector IntVectorResize(IntVector v, int n);
/* Releases a vector (null is accepted). Returns null, to be stored back. */
IntVector IntVectorFree(IntVector v);

/* ---- Singular value decomposition ---------------------------------------- */

/* Progress function of RealMatrixSvd: receives the share of the work done,
 * 0 to 100, and returns nonzero to stop the decomposition. */
typedef int (*SvdProgress)(float fPercent);
/* Singular value decomposition a = U diag(w) V-transposed of an m x n
 * matrix, m >= n, in place (Golub-Reinsch with implicitly shifted QR).
 *   a          I/O: the m x n matrix; on success it holds U (m x n,
 *                   orthonormal columns).
 *   w          O: vector of length exactly n; on success the singular
 *                 values in descending order, the columns of U and V
 *                 permuted alike.
 *   v          O: optional (null: not wanted); at least n x n; on success
 *                 its leading n x n block holds V itself (column j is the
 *                 right singular vector of w[j]); other cells untouched.
 *   pProgress  I: optional progress function (null: none), called before
 *                 each outer step of each phase and once at the end.
 * For a symmetric positive semi-definite matrix the columns of U are its
 * eigenvectors and w its eigenvalues. A value that has not converged after
 * 30 sweeps is kept as it stands (it may then be negative).
 * Returns 0 on success; 1 for bad arguments (a or w null, n < 1, m < n,
 * length(w) != n, v smaller than n x n), nothing changed; 3 when the work
 * vector cannot be allocated, nothing changed; -1 when pProgress asked to
 * stop: a, w and v are then partly transformed and must be discarded (a stop
 * at the first call, with 0 percent, leaves them unchanged). */
int RealMatrixSvd(RealMatrix a, RealVector w, RealMatrix v, SvdProgress pProgress);

#ifdef __cplusplus
}
#endif

#endif
