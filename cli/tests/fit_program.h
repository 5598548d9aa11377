// What the end-to-end tests of varo-fit share: sample and generated data
// files, runs of the program and its JSON records.
#ifndef VARO_CLI_TESTS_FIT_PROGRAM_H
#define VARO_CLI_TESTS_FIT_PROGRAM_H

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/tests/program_run.h"

// The path of a file in the repository's data folder.
std::string SamplePath(const char *pszName);

// A file of the sample generator in folder: family "gauss" or "exp", its
// seed and terms (A M S per gaussian, A G per exponential).
std::string GeneratedFile(const std::string &folder, const std::string &family, int iSeed,
                          const std::vector<double> &adTerms);

// Writes contents to path as they are; returns path.
std::string TextFileWrite(const std::string &path, const std::string &contents);

// Runs varo-fit with args.
ProgramRun FitRun(std::vector<std::string> args);

// The records of a run with --format json (an empty array, and a failure,
// when the output is not an array), and the one record of a run of one file.
nlohmann::json JsonRecords(const ProgramRun &run);
nlohmann::json RecordOfOne(const ProgramRun &run);

#endif
