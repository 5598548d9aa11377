// What varo-fit is asked to do: how files are read, the model, the fit
// settings (start values, limits and fixed values by name, differentiation,
// step method, tolerances), log folder, pictures and report, threads, output
// format and the files.
#ifndef VARO_CLI_FIT_OPTIONS_H
#define VARO_CLI_FIT_OPTIONS_H

#include <string>
#include <vector>

#include "models/fit_driver.h"
#include "models/model.h"
#include "models/table_file.h"
#include "plots/fit_picture.h"

enum class OutputFormat { kCsv, kJson };

struct FitOptions {
    TableOptions table;
    std::string modelText; // as given, for the report's heading
    Model model;
    FitSettings settings; // the log path is set per file
    // The interval levels as given, for the names of their columns.
    std::vector<std::string> intervalLabels;
    std::string logDir;  // empty: no log files
    std::string plotDir; // empty: no pictures
    PictureFormat pictureFormat = PictureFormat::kPng;
    std::string reportPath; // empty: no report
    int iJobs = 1;
    OutputFormat format = OutputFormat::kCsv;
    std::vector<std::string> files;
};

// Exit status of a usage error.
constexpr int kUsageStatus = 2;

// Reads the command line into *pOptions. Returns -1 to go on; otherwise the
// exit status to end with: 0 after the help text was asked for and printed
// on standard output, kUsageStatus after a usage error, whose message and the
// usage text were printed on standard error.
int FitOptionsParse(int argc, char **argv, FitOptions *pOptions);

#endif
