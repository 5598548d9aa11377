// One file fitted with a fit object of its own: the record varo-fit writes.
#ifndef VARO_CLI_FILE_FIT_H
#define VARO_CLI_FILE_FIT_H

#include <string>
#include <vector>

#include "cli/fit_options.h"

// Statuses of files that were not fitted, apart from the library's codes.
constexpr int kStatusNotOpened = -1;  // the reader could not open or read the file
constexpr int kStatusRowRefused = -2; // a chosen cell is missing or not a finite number
constexpr int kStatusTooManyRows = -3;
constexpr int kStatusLineTooLong = -4; // longer than 1 MiB
constexpr int kStatusNoRows = -5;      // no data row (in the range)
constexpr int kStatusSigmaNotPositive = -6;
constexpr int kStatusColumnMissing = -7; // a chosen column is not in the file
constexpr int kStatusFitError = -8;      // an exception while reading or fitting

// Rows read from one file at most.
constexpr int kMaxFileRows = 1000000;

struct FitRecord {
    std::string file;
    int iStatus = 0;     // 0 converged, a library code, or one of the statuses above
    std::string message; // the reader's or the library's message; empty after a fit
    int iIterations = 0;
    // NaN where not available (a file not fitted, statistics the library
    // could not form); the degrees of freedom are then -1.
    double dChiSquare;
    int iDegreesOfFreedom = -1;
    double dReducedChiSquare;
    // The values of the record's columns (the model's parameters, fitted or
    // the last ones reached when the fit failed, then its derived quantities)
    // and their standard errors; empty for a file not fitted.
    std::vector<double> adShown;
    std::vector<double> adShownErrors;
    // Per parameter, 1 when its value lies on one of its limits; and the
    // profile intervals, low and high of every parameter for each level in
    // turn (see FitOutcome); both empty for a file not fitted.
    std::vector<int> aiAtLimit;
    std::vector<double> adIntervals;
    // With --plot the picture's path, or why it could not be drawn (then the
    // path is empty); with --report the thumbnail (an <svg> element, empty
    // for a file without data).
    std::string picturePath;
    std::string pictureError;
    std::string thumbnailSvg;
};

// Reads and fits one file, and draws its picture and thumbnail when options
// ask for them. iPosition (1-based) and iNoFiles name its log file in
// options.logDir and its picture in options.plotDir, when those are set (see
// OutputPath). A picture that cannot be drawn leaves the fit's record as it
// is. Safe to call from several threads at once.
FitRecord FileFit(const std::string &path, int iPosition, int iNoFiles, const FitOptions &options);

#endif
