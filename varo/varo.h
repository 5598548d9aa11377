/* Varo: weighted nonlinear least-squares fitting of one or more models at once.
 *
 * A caller describes a fitting problem to a fit object and names the object by
 * an integer handle. The problem consists of one or more models (numbered from
 * 1); each model has parameters (numbered from 1 within their model), a model
 * callback that hands back the model's residual vector for the current
 * parameter values, and optionally a gradient callback that hands back the
 * derivative of that vector with respect to one parameter. Parameters may carry
 * lower and upper limits (equal limits fix a parameter) and links (parameters
 * of any models with the same nonzero link share one value). VaroProcessing
 * then minimises the Euclidean norm of all residuals together.
 *
 * Return codes. Every function except VaroErrorStringGet returns an int: 0 for
 * success, otherwise one of
 *     1     the handle names no live fit object
 *     2     all 100 fit objects are in use (VaroObjectCreate)
 *     3     memory could not be obtained
 *     4     memory could not be released, or an object that is processing
 *           was to be deleted
 *     5     an argument is out of range (model or parameter number, count,
 *           limits, a setting's value, a vector length)
 *     6     a setting that may be made only once per object was made again
 *     8     processing failed to start or to finish (set-up, work memory,
 *           initial evaluation of the models)
 *     9     the iteration limit was reached before the fit converged
 *     10    a callback asked to stop
 *     11    an initial value, the step method, the loss or the difference
 *           scheme was set while the object is processing
 *     12    the log file could not be opened
 *     13    a model or gradient callback returned without handing over a vector
 *     14    a gradient vector's length differs from its model's residual vector
 *     15    the fit statistics asked for are not available (no processing has
 *           returned 0 since the last one started, the covariance was off,
 *           the degrees of freedom are not positive, the Jacobian at the
 *           fitted point is rank-deficient, or a profile interval of a fixed
 *           parameter was asked for); the message says which
 *     1000  internal inconsistency (see the single functions)
 * and VaroProcessing may also pass on a model callback's own nonzero value.
 * A failing call stores a message in the object, which VaroErrorStringGet
 * returns, and writes it to the object's log file when one is open; the
 * exceptions are VaroObjectCreate and the release failure of VaroObjectDelete,
 * which have no message, the stops asked by a callback (code 10 and a
 * callback's own value) and a callback that handed over no vector (code 13, or
 * 8 when this happens at the initial evaluation of VaroProcessing). A refused
 * call changes nothing in the object and leaves its out-arguments untouched
 * unless said otherwise below. A call with a handle that names no live object
 * returns 1 and records nothing.
 *
 * Arguments. "in" arguments are read, "out" arguments are pointers to the
 * caller's storage, which must be valid and is written on success. Models run
 * from 1 to the number of models, parameters from 1 to their model's number of
 * parameters.
 *
 * When to call. Configuration (the Set functions) is made between creation and
 * VaroProcessing, or between two processing runs. During processing, the
 * callbacks run inside VaroProcessing on the caller's thread and call the
 * query functions (VaroCurrentIterationGet, VaroCurrentModelGet,
 * VaroCurrentParamNumGet, VaroParamCurValueGet, VaroModelResidualsGet) and
 * VaroCbReturnVectSet; every Get function may be called then.
 *
 * Threads. Distinct fit objects may be created, configured, processed, queried
 * and deleted on different threads at the same time; the handle table is
 * shared by the whole process, so the limit of 100 live objects and the
 * uniqueness of handles hold across all threads. One object used from two
 * threads at once (for instance deleted on one thread while another configures
 * or processes it) is the caller's to serialise: the library does not lock an
 * object. The callbacks of a processing run on the thread that called
 * VaroProcessing. Handles are drawn with the C library's rand under the
 * library's own lock; a caller that calls rand on other threads meanwhile
 * relies on its C library's rand being safe for that (glibc's is).
 *
 * Log file. With a log file open (VaroLogFileOpen), every Set and Get function
 * of the configuration writes a line beginning with "== " (a Set function
 * before its checks, so refused calls are logged too; a Get function only on
 * success, with the value delivered); the queries marked "writes no log line"
 * below do not. Every error message is written, and processing writes its
 * iteration trace. Every write is flushed at once. */
#ifndef VARO_VARO_H
#define VARO_VARO_H

#ifdef __cplusplus
extern "C" {
#endif

/* Names a fit object: 1 to 32768, unique among the live objects. */
typedef int VaroHandle;

/* Every callback is called with the handle of the object being processed and
 * returns 0 for success; a positive value asks the processing to stop (what
 * other values mean is said with each kind of callback). */
typedef int (*VaroCallback)(VaroHandle iHandle);

/* ---- Fit objects, error texts and the log file ---- */

/* Creates a fit object with the default settings: iteration limit -1 (100
 * times the number of free parameters), Gauss-Newton threshold 0.01, residual
 * norm change termination 1e-4, parameter change termination 1e-4, stability
 * vs. speed 0.01, step method 0, linear loss with scale 1.0, central
 * differences; covariance off; no models, no callbacks, no log file, empty
 * error text.
 *   piHandle  out: the new object's handle, written only when the object was
 *             created (also on 1000).
 * Returns 0; 2 when 100 objects live in the process (on all threads together);
 * 3 when the object's memory was not obtained; 1000 when a default setting was
 * refused (the object then exists and is usable). The library owns the object
 * until VaroObjectDelete. */
int VaroObjectCreate(VaroHandle *piHandle);

/* Deletes a fit object: closes its log file, if open, and releases the object
 * with everything it holds.
 *   iHandle   in: the object. 0 names no object: nothing is released and 0 is
 *             returned, or 1 when 100 objects live.
 * Returns 0; 1 for a handle that names no live object; 4 when the memory could
 * not be released, or when the object is processing (a call from one of its own
 * callbacks), with a message; the object then stays registered. */
int VaroObjectDelete(VaroHandle iHandle);

/* The object's last error message (at most 500 characters; a longer message
 * is replaced by "Error string was too long, memory is corrupted" and rings
 * eleven bells on standard output). A successful call never clears it.
 *   iHandle   in: the object.
 * Returns the text, owned by the library and valid until the next failing call
 * or the deletion of the object; an empty text for a new object and for a
 * handle that names no live object (that empty text belongs to the calling
 * thread and stays valid while the thread runs). */
const char *VaroErrorStringGet(VaroHandle iHandle);

/* Opens (truncating) the object's log file and writes its header line
 * "VARO log file, opened on : <local time>". An open log file is closed first,
 * also when the new one cannot be opened. The file stays open until the next
 * VaroLogFileOpen or VaroObjectDelete.
 *   iHandle   in: the object.
 *   pszPath   in: path of the file.
 * Returns 0; 1 for an unknown handle; 12 when the file cannot be opened or
 * pszPath is null (the object then has no log file). May be called at any
 * time. */
int VaroLogFileOpen(VaroHandle iHandle, const char *pszPath);

/* ---- Configuration ----
 * Set functions log their arguments first and then check them; Get functions
 * make the same checks and log the delivered value on success. Every function
 * returns 1 for a handle that names no live object. Per-model functions return
 * 5 ("illegal model") for a model outside 1..the number of models, so
 * VaroNoModelsSet must come first; per-parameter functions also return 5
 * ("illegal parameter number") for a parameter outside 1..the model's number of
 * parameters, so VaroNoModelParamsSet of the model must come first. Everything
 * except the initial values may also be changed from a callback during
 * processing; the library does not guard such changes. */

/* The progress callback, called after the initial evaluation of the models and
 * after every main iteration; a nonzero result stops the processing (code 10).
 *   pCallback   in: the callback, or null for none (the default).
 *   ppCallback  out: the callback set, or null.
 * Return 0 or 1. */
int VaroProgressCallbackSet(VaroHandle iHandle, VaroCallback pCallback);
int VaroProgressCallbackGet(VaroHandle iHandle, VaroCallback *ppCallback);

/* The number of models, 1 to 50; it can be set only once per object.
 *   iNoModels   in: the number of models.
 *   piNoModels  out: the number set, 0 before VaroNoModelsSet; set to 0 also
 *               for a handle that names no live object.
 * VaroNoModelsSet returns 0, 1, 6 when the number was set before (checked
 * first), or 5 for a number outside 1..50. VaroNoModelsGet returns 0 or 1. */
int VaroNoModelsSet(VaroHandle iHandle, int iNoModels);
int VaroNoModelsGet(VaroHandle iHandle, int *piNoModels);

/* The number of parameters of one model, 1 to 100; it can be set only once
 * per model.
 *   iModel      in: the model, 1-based.
 *   iNoParams   in: the number of parameters.
 *   piNoParams  out: the number set, 0 before VaroNoModelParamsSet; set to 0
 *               also for a handle that names no live object.
 * VaroNoModelParamsSet returns 0, 1, 5 for an illegal model or a number outside
 * 1..100 (checked before the once-only rule), or 6 when the model's number was
 * set before. VaroNoModelParamsGet returns 0, 1 or 5 for an illegal model. */
int VaroNoModelParamsSet(VaroHandle iHandle, int iModel, int iNoParams);
int VaroNoModelParamsGet(VaroHandle iHandle, int iModel, int *piNoParams);

/* The model callback of one model, required before processing. Called with
 * the handle once per model and evaluation, it reads its parameters with
 * VaroParamCurValueGet, computes the model's (weighted) residual vector, hands
 * it over exactly once with VaroCbReturnVectSet and returns 0. A positive
 * result asks to stop; a negative result with a vector handed over is passed
 * on as the evaluation's result.
 *   iModel      in: the model, 1-based.
 *   pCallback   in: the callback.
 *   ppCallback  out: the callback set, or null.
 * Return 0, 1 or 5 for an illegal model. */
int VaroModelCallbackSet(VaroHandle iHandle, int iModel, VaroCallback pCallback);
int VaroModelCallbackGet(VaroHandle iHandle, int iModel, VaroCallback *ppCallback);

/* The gradient callback of one model; null (the default) means numerical
 * derivatives. Called with the handle, it learns the parameter through
 * VaroCurrentModelGet and VaroCurrentParamNumGet, hands over the derivative of
 * the model's residual vector with respect to that parameter with
 * VaroCbReturnVectSet (one element per residual) and returns 0; a negative
 * result declines (the derivative is then formed numerically), a positive one
 * stops the processing (code 10).
 *   iModel      in: the model, 1-based.
 *   pCallback   in: the callback, or null.
 *   ppCallback  out: the callback set, or null.
 * Return 0, 1 or 5 for an illegal model. */
int VaroGradientCallbackSet(VaroHandle iHandle, int iModel, VaroCallback pCallback);
int VaroGradientCallbackGet(VaroHandle iHandle, int iModel, VaroCallback *ppCallback);

/* The caller's data pointer of one model, stored and handed back but never
 * dereferenced; the data stays owned by the caller.
 *   iModel  in: the model, 1-based.
 *   pData   in: the pointer (null allowed).
 *   ppData  out: the pointer set, null by default.
 * Return 0, 1 or 5 for an illegal model. */
int VaroModelDataPointerSet(VaroHandle iHandle, int iModel, void *pData);
int VaroModelDataPointerGet(VaroHandle iHandle, int iModel, void **ppData);

/* The link of one parameter: parameters of any models with the same nonzero
 * link share one fitted value; 0 (the default) unlinks. Linked parameters must
 * have equal initial values and limits when processing starts.
 *   iModel, iParam  in: the model and its parameter, 1-based.
 *   iLink           in: the link, any value.
 *   piLink          out: the link set.
 * Return 0, 1 or 5 for an illegal model or parameter. */
int VaroParamLinkSet(VaroHandle iHandle, int iModel, int iParam, int iLink);
int VaroParamLinkGet(VaroHandle iHandle, int iModel, int iParam, int *piLink);

/* The initial value of one parameter (0.0 by default). It is checked against
 * the limits when processing starts, not here.
 *   iModel, iParam  in: the model and its parameter, 1-based.
 *   dValue          in: the initial value.
 * Returns 0; 1; 11 while the object is processing (that is, from a callback);
 * 5 for an illegal model or parameter. */
int VaroParamIniValueSet(VaroHandle iHandle, int iModel, int iParam, double dValue);

/* The current value of one parameter: during processing the trial value of the
 * iteration (linked parameters report the same value), otherwise, and for a
 * fixed parameter, its own value: the initial value, or the fitted value after
 * a successful processing.
 *   iModel, iParam  in: the model and its parameter, 1-based.
 *   pdValue         out: the value.
 * Returns 0; 1; 5 for an illegal model or parameter; 1000 when the parameter
 * has limits and the value lies outside them (the value is delivered all the
 * same). */
int VaroParamCurValueGet(VaroHandle iHandle, int iModel, int iParam, double *pdValue);

/* The limits of one parameter. lower < upper limits the parameter to
 * [lower, upper] (an infinite limit leaves that side open); lower == upper
 * fixes it (it is not fitted); limits that cannot be ordered (a NaN) remove
 * the limits.
 * Every trial point of the processing lies within the limits; a step that
 * would cross a limit ends on it. At the start of each main iteration, a
 * parameter lying on one of its limits is held there while the negative
 * gradient of the sum of squares points out of the box: the iteration then
 * solves for the other parameters alone. It is released as soon as the
 * gradient points back in; a trial direction that would still carry it out
 * loses that component (step method 0) or holds it for that trial (step
 * method 1). Processing ends successfully only at a point where no parameter
 * lying on a limit could, released, lower the sum of squares by more than the
 * residual norm change termination value allows (its gradient times its own
 * Newton step, g^2 / (2 H), compared with half of 1 - (1 - c)^2 times the
 * sum): the gradient projected on the box is then small. A fit in which no
 * parameter ever lies on a limit takes the same path as without limits.
 * For the fit statistics a parameter on a limit stays free: it counts in the
 * degrees of freedom and has its row of the covariance (VaroParamAtLimitGet
 * tells which parameters ended on a limit).
 *   iModel, iParam    in: the model and its parameter, 1-based.
 *   dLower, dUpper    in: the limits.
 *   pdLower, pdUpper  out: the limits; 1.0 and -1.0 (an empty interval) for a
 *                     parameter without limits.
 * Return 0, 1 or 5 for an illegal model or parameter; VaroParamLimitsSet also
 * returns 5 when lower exceeds upper (the old limits stay). */
int VaroParamLimitsSet(VaroHandle iHandle, int iModel, int iParam, double dLower, double dUpper);
int VaroParamLimitsGet(VaroHandle iHandle, int iModel, int iParam, double *pdLower,
                       double *pdUpper);

/* 1 when the fitted value of parameter iParam of model iModel lies on one of its limits, else 0. */
/* The value tested is the one VaroParamCurValueGet delivers (after a
 * successful processing the fitted value); a parameter without limits, and a
 * fixed one (equal limits, not fitted), gives 0.
 *   iModel, iParam  in: the model and its parameter, 1-based.
 *   piAtLimit       out: 1 or 0.
 * Returns 0, 1, or 5 for an illegal model or parameter. */
int VaroParamAtLimitGet(VaroHandle iHandle, int iModel, int iParam, int *piAtLimit);

/* The iteration limit: -1 (the default) means 100 times the number of free
 * parameters; 0 or more is the limit itself.
 *   iMaxIterations   in: the limit, -1 or 0 or more.
 *   piMaxIterations  out: the limit set.
 * Return 0, 1, or 5 for a value below -1. */
int VaroMaxNoIterationsSet(VaroHandle iHandle, int iMaxIterations);
int VaroMaxNoIterationsGet(VaroHandle iHandle, int *piMaxIterations);

/* The total residual norm below which a Gauss-Newton step is tried; 0 or
 * more, default 0.01. Under a robust loss (VaroLossSet) this and every other
 * norm of the step methods, their tests and their log lines is the robust
 * norm sqrt(2 cost).
 *   dThresh   in: the threshold.
 *   pdThresh  out: the threshold set.
 * Return 0, 1, or 5 for a negative value or NaN. */
int VaroGaussNewtonResNormThreshSet(VaroHandle iHandle, double dThresh);
int VaroGaussNewtonResNormThreshGet(VaroHandle iHandle, double *pdThresh);

/* The relative decrease of the total residual norm below which processing
 * ends successfully; in (0, 1], default 1e-4. Under a robust loss the norm is
 * the robust norm sqrt(2 cost) (VaroLossSet).
 *   dValue   in: the value.
 *   pdValue  out: the value set.
 * Return 0, 1, or 5 for a value outside (0, 1] or NaN. */
int VaroResNormChangeTerminationSet(VaroHandle iHandle, double dValue);
int VaroResNormChangeTerminationGet(VaroHandle iHandle, double *pdValue);

/* The relative decrease of the total residual norm that a trial step must
 * reach to be accepted; at most 1 and not below the residual norm change
 * termination value at the moment of setting; default 0.01.
 *   dValue   in: the value.
 *   pdValue  out: the value set.
 * Return 0, 1, or 5 for a value above 1, NaN, or a value below the residual
 * norm change termination value. */
int VaroStabVsSpeedSet(VaroHandle iHandle, double dValue);
int VaroStabVsSpeedGet(VaroHandle iHandle, double *pdValue);

/* The relative parameter change that the step search counts as significant;
 * in (0, 0.1], default 1e-4.
 *   dValue   in: the value.
 *   pdValue  out: the value set.
 * Return 0, 1, or 5 for a value outside (0, 0.1] or NaN. */
int VaroParValChangeTerminationSet(VaroHandle iHandle, double dValue);
int VaroParValChangeTerminationGet(VaroHandle iHandle, double *pdValue);

/* 0: the eigenvector step search (default); 1: the damped (Levenberg-Marquardt)
 * step. The step method says how each main iteration finds a better point once
 * the Jacobian, the normal matrix of the scaled Jacobian and its decomposition
 * V S V^t are known; b is V^t times the scaled gradient.
 *   0: a Gauss-Newton step when the total residual norm lies below the
 *     Gauss-Newton threshold, otherwise moves along the eigenvectors one at a
 *     time, each shortened by factors 0.618 while shorter moves help, until
 *     the norm has fallen by the stability vs. speed fraction. Each parameter
 *     is scaled by its magnitude.
 *   1: trial steps -V (S + lambda)^-1 b in units of the scaled parameters,
 *     each new lambda costing O(n^2) in the decomposition at hand. Each
 *     parameter is scaled by the largest magnitude it has had in the run, so
 *     that a parameter passing near 0 is not held there by the damping.
 *     lambda starts at 1e-4 times the largest eigenvalue and is carried from
 *     iteration to iteration. It follows Nielsen's rule, driven by the ratio
 *     rho of the actual to the predicted decrease of the sum of squares: after
 *     an accepted step lambda is multiplied by max(1/3, 1 - (2 rho - 1)^3),
 *     after rejected ones by 2, 4, 8 ... in turn. Nielsen's rule was chosen
 *     over More's trust-region update because lambda itself is what is cheap
 *     here (More's rule steers a step radius and would have to solve for the
 *     lambda of each radius), and its smooth factor avoids the back and forth
 *     of fixed up and down factors. An iteration keeps the first trial that
 *     lowers the total norm. It keeps trying larger lambda until one does, or
 *     until the step changes no free parameter by more than the parameter
 *     change termination value, its predicted decrease of the sum of squares
 *     falls below the machine epsilon times the sum, lambda exceeds 1/eps^2
 *     times the largest eigenvalue, or 50 trials were made; the point then
 *     stays, and the residual norm change test ends the processing. A total
 *     residual norm of exactly 0 ends the processing successfully at once:
 *     nothing can improve on it (method 0 goes on to another end). A step
 *     that would take a limited parameter past a limit is solved again with
 *     that parameter held on the limit, so every trial point lies within the
 *     limits (see VaroParamLimitsSet for parameters lying on a limit). The
 *     Gauss-Newton threshold and the stability vs. speed value are not used.
 *   iMethod   in: 0 or 1.
 *   piMethod  out: the method set.
 * VaroStepMethodSet returns 0; 1; 11 while the object is processing (from a
 * callback; the method stays); 5 for another value. VaroStepMethodGet returns
 * 0 or 1. */
int VaroStepMethodSet(VaroHandle iHandle, int iMethod);
int VaroStepMethodGet(VaroHandle iHandle, int *piMethod);

/* Whether a processing run that returns 0 also computes the covariance of the
 * free parameters at the fitted point (VaroParamStdErrorGet,
 * VaroParamCovarianceGet). Off by default; while off, processing is exactly
 * what it is without this setting. When on, a run whose iterations converged
 * evaluates the Jacobian once more at the fitted point (analytically or
 * numerically as during the iterations, with the same callback calls), unless
 * the degrees of freedom are 0 or fewer; a failure there ends the processing
 * with the code that the Jacobian gives during the iterations. 1 asks for the
 * covariance scaled by s^2, the estimated variance of the residuals
 * (VaroParamStdErrorGet); 2 for the absolute covariance (J^t J)^-1, the one
 * of residuals already weighted by their true standard deviations: it has no
 * factor s^2 and exists whenever the Jacobian at the fitted point has full
 * rank, also with zero or negative degrees of freedom (the extra Jacobian is
 * then always evaluated).
 *   iCompute   in: 0 off, 1 on (scaled), 2 on (absolute).
 *   piCompute  out: the setting.
 * Return 0, 1, or 5 for a value other than 0, 1 and 2. */
int VaroCovarianceSet(VaroHandle iHandle, int iCompute);
int VaroCovarianceGet(VaroHandle iHandle, int *piCompute);

/* The loss applied to every residual: 0 linear (least squares, the default), 1 soft_l1, 2 huber,
 * 3 cauchy, 4 arctan. dScale > 0 is the residual size beyond which the loss grows more slowly
 * than the square. */
/* With z = (r / dScale)^2 for every residual r of every model, the fit
 * minimises the cost 1/2 dScale^2 sum rho(z), where rho is
 *     linear   z
 *     soft_l1  2 ((1 + z)^1/2 - 1)
 *     huber    z for z <= 1, else 2 z^1/2 - 1
 *     cauchy   ln(1 + z)
 *     arctan   arctan(z)
 * (the definitions of SciPy's least_squares). Both step methods see the loss
 * through the Jacobian and the residuals: row i of the Jacobian is multiplied
 * by w_i = sqrt(rho'(z_i) + 2 z_i rho''(z_i)) (raised to the machine epsilon
 * where the curvature of rho would make it negative) and residual i is
 * replaced by rho'(z_i) r_i / w_i. The normal matrix is then the Gauss-Newton
 * approximation of the Hessian of the cost, the loss's own curvature included,
 * and its gradient the exact gradient of the cost, so both step methods, with
 * links, limits, fixed parameters, numerical derivatives, callbacks and stops,
 * minimise the cost as they minimise the sum of squares without a loss. This
 * rescaling (SciPy's) was preferred to the corrected residuals of the Triggs
 * correction because it needs no square root of a possibly negative term and
 * gives the covariance SciPy's curve_fit gives. Every norm the processing
 * uses, tests and logs, and the norms VaroModelResidualsGet delivers, are then
 * robust norms sqrt(2 cost), sqrt(dScale^2 sum rho(z)) (the Euclidean norm of
 * the residuals for the linear loss); a residual that is not finite makes the
 * norm not finite, as without a loss. The model callbacks still hand over,
 * and VaroModelResidualsGet still copies, the plain residuals. The fit
 * statistics: chi-square stays the plain sum of squared residuals at the
 * fitted point; the covariance is formed from the loss-weighted Jacobian with
 * s^2 = 2 cost / degrees of freedom. The linear loss changes nothing.
 *   iLoss    in: 0 to 4.
 *   dScale   in: the scale, finite and positive (1.0 by default).
 *   piLoss, pdScale  out: the loss and scale set.
 * VaroLossSet returns 0; 1; 11 while the object is processing (from a
 * callback; the loss stays); 5 for another loss or a scale that is not finite
 * and positive. VaroLossGet returns 0 or 1. */
int VaroLossSet(VaroHandle iHandle, int iLoss, double dScale);
int VaroLossGet(VaroHandle iHandle, int *piLoss, double *pdScale);

/* Numerical derivatives: 0 central differences (the default), 1 forward differences. */
/* The scheme of every derivative the library forms numerically (no gradient
 * callback, or one that declined), for both step methods.
 *   0: central differences, whose perturbation of each (model, free
 *      parameter) pair adapts from iteration to iteration (several model
 *      evaluations a column).
 *   1: forward differences: one evaluation of the model a column, at the free
 *      parameter moved by h = sqrt(eps) times its scale (its magnitude, or for
 *      a value of 0 the geometric mean of the magnitudes of all free
 *      parameters), the residuals at the current point being the other side;
 *      downward when the step would cross the upper limit. About half the
 *      evaluations of central differences, with a truncation error of order
 *      h instead of h^2.
 *   iScheme   in: 0 or 1.
 *   piScheme  out: the scheme set.
 * VaroDifferenceSchemeSet returns 0; 1; 11 while the object is processing
 * (from a callback; the scheme stays); 5 for another value.
 * VaroDifferenceSchemeGet returns 0 or 1. */
int VaroDifferenceSchemeSet(VaroHandle iHandle, int iScheme);
int VaroDifferenceSchemeGet(VaroHandle iHandle, int *piScheme);

/* ---- Fit statistics ----
 * Results of the object's last VaroProcessing, kept only when it returned 0:
 * a processing run clears them when it starts and keeps them only when it
 * returns 0. Each function returns 1 for a handle that names no live object
 * and 15, with a message that says why, when what it asks for is not
 * available; on success it logs the delivered value like the configuration
 * Get functions. They may be called at any time. */

/* Chi-square, the sum of the squares of all (weighted) residuals of all models
 * at the fitted point, and the degrees of freedom, the number of all residuals
 * minus the number of free parameters, those that ended on a limit included
 * (it may be 0 or negative).
 *   pdChiSquare         out: chi-square.
 *   piDegreesOfFreedom  out: the degrees of freedom.
 * Return 0, 1, or 15 before the first processing, while processing and after
 * a processing that did not return 0. */
int VaroChiSquareGet(VaroHandle iHandle, double *pdChiSquare);
int VaroDegreesOfFreedomGet(VaroHandle iHandle, int *piDegreesOfFreedom);

/* The standard error of one parameter, the square root of its variance in the
 * covariance C = s^2 (J^t J)^-1 of the free parameters, where J is the
 * Jacobian of all residuals at the fitted point and s^2 = chi-square / degrees
 * of freedom (under a robust loss, J is the loss-weighted Jacobian and s^2 =
 * 2 cost / degrees of freedom, see VaroLossSet); C is in the units of the
 * parameters themselves. With covariance setting 2, C = (J^t J)^-1 without
 * the factor s^2. A parameter that ended on one of its limits is treated as
 * free, as if the limit were not there (its error may then reach beyond the
 * limit). Linked parameters share one free parameter and so one standard
 * error; a parameter that was fixed has standard error 0.
 *   iModel, iParam  in: the model and its parameter, 1-based.
 *   pdStdError      out: the standard error.
 * Returns 0; 1; 5 for an illegal model or parameter; 15 when chi-square is not
 * available (see above), when the covariance was off during the processing,
 * when the degrees of freedom are not positive (covariance setting 1), or
 * when the Jacobian at the
 * fitted point is rank-deficient (the smallest singular value of its normal
 * matrix, scaled to a unit diagonal, is at most 1e-10 times the largest, the
 * cut-off of the step search): no number is made up then. */
int VaroParamStdErrorGet(VaroHandle iHandle, int iModel, int iParam, double *pdStdError);

/* The covariance of two parameters, the element of C (see
 * VaroParamStdErrorGet) of their free parameters: for two parameters linked
 * together, their shared variance; 0 when either was fixed.
 *   iModel1, iParam1  in: the first model and its parameter, 1-based.
 *   iModel2, iParam2  in: the second model and its parameter, 1-based.
 *   pdCovariance      out: the covariance.
 * Returns 0; 1; 5 for an illegal model or parameter (the first pair checked
 * first); 15 as VaroParamStdErrorGet. */
int VaroParamCovarianceGet(VaroHandle iHandle, int iModel1, int iParam1, int iModel2, int iParam2,
                           double *pdCovariance);

/* The confidence interval of a parameter at probability dLevel (for example 0.6827 or 0.95) by
 * profile likelihood: the parameter is fixed at trial values, the others refitted, and the
 * interval ends where the F-test of the sum of squares against the best fit reaches dLevel.
 * After a run that returned 0. *pdLow / *pdHigh are -inf / +inf (and the code 0) when the profile
 * never reaches the level inside the parameter's limits. */
/* With S0 the sum of squares of the best fit (under a robust loss, twice its
 * cost) and nu > 0 its degrees of freedom, an end of the interval is the value
 * at which the refit's sum of squares S reaches S* = S0 (1 + t^2 / nu), t
 * Student's quantile of (1 + dLevel) / 2 at nu degrees of freedom: there the
 * F-test of the one parameter, F = (S - S0) / (S0 / nu), reaches dLevel. For
 * a model linear in the parameter this is the value plus or minus t times its
 * standard error. The refits run on the object itself with its settings (tight
 * termination values give exact ends); its whole record is kept aside and put
 * back, so that afterwards its fitted values, statistics, counts, error text
 * and log are those of the best fit, the log holding only this call's line.
 * The callbacks are called as in any fit, with the object's handle; linked
 * parameters move together and have one interval.
 * Root-finding, on each side: the parameter is moved away from its fitted
 * value by h, 2h, 4h, ... (h is t times its standard error when the
 * covariance is there, else 1e-2 times its value, or 1e-2), each refit
 * starting from the previous one's values, until S reaches S* (at most 30
 * refits); a side that reaches the parameter's limit, or the last step, below
 * S* is open (+-inf). The bracket is then narrowed by regula falsi with the
 * Illinois rule, a trial in the outer twentieths of the bracket halving it
 * instead, for at most 40 refits, until the bracket is 1e-10 h wide or S is
 * within 1e-12 of S*; the end is interpolated between the two sides.
 *   iModel, iParam  in: the model and its parameter, 1-based.
 *   dLevel          in: the probability, strictly between 0 and 1.
 *   pdLow, pdHigh   out: the ends of the interval.
 * Returns 0; 1; 5 for an illegal model, parameter or level; 15, with a
 * message, before any processing, while processing, after a processing that
 * did not return 0, for a fixed parameter and with degrees of freedom not
 * positive; 3 when the memory for the refits was not obtained; or the code of
 * a refit that did not return 0 (its message quoted). Must not be called from
 * a callback. */
int VaroProfileIntervalGet(VaroHandle iHandle, int iModel, int iParam, double dLevel,
                           double *pdLow, double *pdHigh);

/* ---- Queries and hand-over for callbacks during processing ---- */

/* The current iteration: 0 during the initial evaluation, then the number of
 * the running main iteration from 1; after processing, the last one.
 *   piIteration  out: the iteration.
 * Returns 0 or 1. Writes no log line. */
int VaroCurrentIterationGet(VaroHandle iHandle, int *piIteration);

/* The model whose callback runs (or ran last).
 *   piModel  out: the model, 1-based.
 * Returns 0 or 1. Writes no log line. */
int VaroCurrentModelGet(VaroHandle iHandle, int *piModel);

/* For a gradient callback (and the model callbacks of a numerical derivative):
 * the parameter of the current model with respect to which the derivative is
 * asked. When several parameters of one model share a free parameter through a
 * link, the gradient callback is called once for each of them and this query
 * names each in turn; the library adds the derivatives.
 *   piParam  out: the parameter, 1-based; -1 when none matches.
 * Returns 0; 1; 1000 when no parameter of the current model matches (outside
 * a derivative, for instance). Writes no log line. */
int VaroCurrentParamNumGet(VaroHandle iHandle, int *piParam);

/* Hands a callback's result vector (residuals or a derivative) to the library,
 * which copies it; exactly once per callback call. Within one processing run
 * each model keeps the residual length of its first hand-over; models may
 * differ in length. A gradient callback may hand over any positive length: a
 * length other than its model's residual length ends the processing with 14.
 *   adValues  in: the values, 0-based, iLength of them; still owned by the
 *             caller.
 *   iLength   in: their number, 1 or more.
 * Returns 0; 1; 1000 when a vector was already handed over during this call
 * (the first stays in force); 5 when the length is below 1, when a model's
 * residual length changes within the run, or when adValues is null; 3 when the
 * library's copy was not obtained. Writes no log line. */
int VaroCbReturnVectSet(VaroHandle iHandle, const double *adValues, int iLength);

/* The residual norm of one model, or the total norm, and during processing a
 * copy of the model's residual vector.
 *   iModel       in: the model, 1-based, or 0 for the total norm.
 *   pdNorm       out: the Euclidean norm of the model's residuals, or the
 *                total norm for model 0 (under a robust loss, the robust
 *                norms, see VaroLossSet); after processing, the last values.
 *   adResiduals  out: null, or an array of as many doubles as the model has
 *                residuals; filled (0-based) only for a model of 1 or more
 *                while processing runs, otherwise left untouched.
 * Returns 0; 1; 5 for a model below 0 or above the number of models. Writes no
 * log line. */
int VaroModelResidualsGet(VaroHandle iHandle, int iModel, double *pdNorm, double *adResiduals);

/* ---- Processing ---- */

/* Runs one complete fit: validates the set-up, merges linked parameters into
 * free parameters, evaluates every model at the initial values, calls the
 * progress callback, then iterates (Jacobian, then a Gauss-Newton step or steps
 * along the eigenvectors of the normal matrix, or damped steps with step method
 * 1, kept inside the limits, then the progress callback) until an iteration
 * lowers the total residual norm by less than the residual norm change
 * termination value; then it keeps the fit statistics (with covariance on,
 * after one more Jacobian at the fitted point, see VaroCovarianceSet). On
 * success the fitted values are stored in every parameter that is not fixed
 * (read them with VaroParamCurValueGet); after a failure every parameter keeps
 * its value. The work memory exists only during this call. Must not be called
 * from a callback. If more allocations are live after the run than before it,
 * a memory leak banner is printed on standard output. The comparison reads
 * MemLiveBlockCount (numeric/numeric.h), which counts per thread the blocks
 * obtained less those released; since the run and its callbacks stay on the
 * calling thread, it sees only this run's blocks, and fits running on other
 * threads meanwhile do not enter it.
 *   iHandle  in: the object.
 * Returns 0 on convergence; 1; 4 when the work memory was not released; 8 when
 * the set-up is incomplete or inconsistent, the work memory was not obtained
 * or the initial evaluation failed; 9 when the iteration limit was exceeded;
 * 10 when the progress or a gradient callback asked to stop; 3, 13, 14 or 1000
 * from the Jacobian or the step search; or a model callback's own nonzero value
 * returned while a numerical derivative is formed. */
int VaroProcessing(VaroHandle iHandle);

#ifdef __cplusplus
}
#endif

#endif
