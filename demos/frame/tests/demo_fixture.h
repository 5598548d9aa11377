// Helpers shared by the demo tests: a fresh program state, sample data, and
// runs of the frame's pieces with their console output captured. Linked with
// the frame and one model (gDemoModel).
#ifndef VARO_DEMOS_FRAME_TESTS_DEMO_FIXTURE_H
#define VARO_DEMOS_FRAME_TESTS_DEMO_FIXTURE_H

#include <functional>
#include <ostream>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demos/frame/demo_state.h"
#include "demos/frame/tests/console_text.h"

// Deletes the fit object and zero-fills gDemoState, as at program start.
void DemoStateReset();

// Path of a file in the repository's data folder.
std::string SampleDataPath(const char *pszName);

// Reads a data file into gDemoState.modelData; returns DataFileRead's result.
int SampleDataLoad(const std::string &path);

// Runs fn and returns what it printed on the console.
std::string ConsoleCapture(const std::function<void()> &fn);

// A command line that is refused, and the message it gives.
struct CommandLineRefusal {
    const char *pszName;
    std::vector<std::string> args;
    const char *pszMessage;
};

std::string CommandLineRefusalName(const testing::TestParamInfo<CommandLineRefusal> &info);

// Shows a refusal by its name where a test reports its parameter.
void PrintTo(const CommandLineRefusal &refusal, std::ostream *pStream);

struct CommandLineRun {
    int iRc;
    std::string console;
    std::string dataFile;
};

// Resets the state and reads the command line pszProgram args... into it.
CommandLineRun CommandLineReadAll(const char *pszProgram, std::vector<std::string> args);

// Sets up the problem for iNoTerms terms on the loaded data and runs one fit;
// *pConsole receives everything printed. Returns FitRun's result, or
// ProblemSetUp's when the set-up failed.
int ProblemFit(int iNoTerms, int iDifferentiation, std::string *pConsole);

// Puts rows with weight 1.0 into gDemoState.modelData.
void RowsSet(const std::vector<double> &adTime, const std::vector<double> &adData);

// Sets up the problem for iNoTerms terms on the rows already set, with the
// given initial-value table; *pConsole receives what it printed. Returns
// ProblemSetUp's result.
int StartValuesSetUp(int iNoTerms, const std::vector<float> &afIniValues, std::string *pConsole);

// Checks the analytic derivative of the residuals with respect to every
// parameter against central differences at adParams (all parameters of the
// model), on the rows of gDemoState.modelData.
void GradientCheck(const std::vector<double> &adParams);

// Parameter values of model 1 as the library reports them now.
std::vector<double> ParamValues(int iNoParams);

#endif
