// Data file reader: one row a line, "time data [weight]" separated by white
// space; the weight is 1.0 where the row has none. A line is read whole
// whatever its length, and a row whose numbers are not all finite is refused.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "demos/frame/frame.h"

namespace {

// Reads one line with its newline, if it had one; false at the end of the file.
bool LineRead(std::ifstream &file, std::string *pLine) {
    if (!std::getline(file, *pLine)) {
        return false;
    }
    if (!file.eof()) {
        pLine->push_back('\n');
    }
    return true;
}

// Scans one row; false when it has fewer than two numbers or a number that is
// not finite.
bool RowScan(const std::string &line, double *pdDelay, double *pdValue, double *pdWeight) {
    double adValues[3] = {0.0, 0.0, 1.0};
    int iNoValues =
        std::sscanf(line.c_str(), "%le%le%le", &adValues[0], &adValues[1], &adValues[2]);
    if (iNoValues < 2) {
        return false;
    }
    for (double dValue : adValues) {
        if (!std::isfinite(dValue)) {
            return false;
        }
    }
    *pdDelay = adValues[0];
    *pdValue = adValues[1];
    *pdWeight = adValues[2];
    return true;
}

// Counts the lines left in the file, so that rows beyond the capacity are not
// dropped without a word.
int LinesLeftCount(std::ifstream &file) {
    int iNoLines = 0;
    std::string line;
    while (LineRead(file, &line)) {
        iNoLines++;
    }
    return iNoLines;
}

} // namespace

int DataFileRead(const char *pszPath, int *piNoPoints, double *adTime, double *adData,
                 double *adWeight) {
    std::ifstream file(pszPath);
    if (!file.is_open()) {
        std::printf("Cannot open file '%s'\n", pszPath);
        return 1;
    }
    const int iCapacity = *piNoPoints;
    int iNoRows = 0;
    std::string line;
    while (iNoRows < iCapacity && LineRead(file, &line)) {
        if (!RowScan(line, &adTime[iNoRows], &adData[iNoRows], &adWeight[iNoRows])) {
            std::printf("Illegal file string '%s'\n", line.c_str());
            return 2;
        }
        iNoRows++;
    }
    if (int iNoLeft = LinesLeftCount(file); iNoLeft > 0) {
        std::printf("File '%s': only the first %d rows are used, %d more are ignored\n", pszPath,
                    iCapacity, iNoLeft);
    }
    *piNoPoints = iNoRows;
    return 0;
}
