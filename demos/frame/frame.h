// The demo frame shared by VaroGauss and VaroExp: console, command line, data
// file, fit set-up and run, library callbacks, windows, menus and keys. What
// the two programs do differently comes from gDemoModel (demo_model.h).
#ifndef VARO_DEMOS_FRAME_FRAME_H
#define VARO_DEMOS_FRAME_FRAME_H

#include <string>

#include "demos/frame/demo_state.h"

// Console.
void BannerPrint();
void MenuHelpPrint();
void ApiErrorPrint(VaroHandle iHandle, int iRc);
long ClockMillisecondsGet();

// Reads the command line into pState (differentiation, term count, initial
// values) and pDataFile. Returns 0, or 1 after printing the reason.
int CommandLineRead(int iArgc, char **apszArgv, DemoState *pState, std::string *pDataFile);

// Reads rows of (time, data, optional weight) from pszPath. *piNoPoints holds
// the capacity on entry and the number of rows read on success. Returns 0,
// 1 when the file cannot be opened, 2 for a bad row (reason printed).
int DataFileRead(const char *pszPath, int *piNoPoints, double *adTime, double *adData,
                 double *adWeight);

// Fit object set-up for gDemoState.modelData.iNoTerms terms, and one fit run.
int ProblemSetUp();
int FitRun();

// Curves from parameter values (model_curves.cpp). TermCurveAdd takes the
// parameters of one term (1-based iTerm) between CurvesStart and CurvesFinish.
// GradientCompute fills adGradient with the derivative of the residuals with
// respect to parameter iParamNumber (1-based within the model), adTermParams
// being its term's parameters.
void CurvesStart(ModelData *pData);
void TermCurveAdd(ModelData *pData, int iTerm, const double *adTermParams);
void CurvesFinish(ModelData *pData);
void GradientCompute(const ModelData *pData, int iParamNumber, const double *adTermParams,
                     double *adGradient);

// Library callbacks and the term evaluation they share.
int TermsEvaluate(VaroHandle iHandle, ModelData *pModelData, int iModel);
int ModelCallback(VaroHandle iHandle);
int GradientCallback(VaroHandle iHandle);
int ProgressCallback(VaroHandle iHandle);

// Reads the current value of parameter iParam of model iModel, and the
// iParamsPerTerm values of term iTerm. A failing query is printed as an API
// error and its code returned.
int ParamValueGet(VaroHandle iHandle, int iModel, int iParam, double *pdValue);
int TermParamsGet(VaroHandle iHandle, int iModel, int iTerm, double *adParams);

// Windows, menus and keys.
void WindowsCreate(const char *pszDataFile);
void MenusCreate();
void MainMenuSelect(int iValue);
void ProblemMenuSelect(int iValue);
void KeyPressed(unsigned char cKey, int iX, int iY);
void WindowReshape(int iWidth, int iHeight);
// Pixel position and size of panel iPanel (kCurvePanel...) for a main window
// of iWidth x iHeight, from the panel's fractions.
void PanelGeometryCompute(PanelWindow *pPanel, int iPanel, int iWidth, int iHeight);
void PanelsRedraw();

#endif
