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

void *MemAlloc(size_t size);
void *MemRealloc(void *pBlock, size_t size);
void *MemFree(void *pBlock);
void **MemAlloc2D(unsigned iCount, size_t size);
void *MemFree2D(void **ppTable, unsigned iCount);
int MemPtrBad(const void *pBlock, size_t size);
long MemLiveBlockCount(void);
int DebugPrint(const char *pszFormat, ...);

RealVector RealVectorAlloc(unsigned n);
RealVector RealVectorResize(RealVector v, unsigned n);
RealVector RealVectorFree(RealVector v);
int RealVectorCheck(RealVector v);
int RealVectorPrint(RealVector v);
RealVector RealVectorFromArray(RealVector v, const double *adValues, int iCount);
int RealVectorMaxAbsIndex(RealVector v, int iFirst, int iLast, double *pdMaxAbs);
double RealVectorNorm(RealVector v, int iFirst, int iLast);
int RealVectorScale(RealVector v, double dFactor);
int RealVectorCopy(RealVector vrSource, RealVector vrDestination);
RealVector RealVectorClone(RealVector vrDestination, RealVector vrSource);
int RealVectorCombine(RealVector a, unsigned iOperation, RealVector b, RealVector vrOut);
int RealVectorFill(RealVector v, double dValue);

RealMatrix RealMatrixAlloc(unsigned iRows, unsigned iCols);
RealMatrix RealMatrixResize(RealMatrix m, unsigned iRows, unsigned iCols);
int RealMatrixFree(RealMatrix m);
int RealMatrixCheck(RealMatrix m);
int RealMatrixPrint(RealMatrix m);
int RealMatrixTimesVector(RealMatrix a, RealVector x, RealVector y);
int RealMatrixTransposeTimesVector(RealMatrix a, RealVector x, RealVector y);
int RealMatrixColumnSet(RealMatrix a, int iCol, RealVector v);
int RealMatrixGramAdd(RealMatrix p, RealMatrix q);
int RealMatrixTransposeTimesVectorAdd(RealVector y, RealMatrix q, RealVector r);
int RealMatrixFill(RealMatrix a, double dValue);
int RealMatrixRowsScale(RealMatrix a, RealVector v);

IntVector IntVectorAlloc(int n);
IntVector IntVectorResize(IntVector v, int n);
IntVector IntVectorFree(IntVector v);

typedef int (*SvdProgress)(float fPercent);
int RealMatrixSvd(RealMatrix a, RealVector w, RealMatrix v, SvdProgress pProgress);

#ifdef __cplusplus
}
#endif

#endif
