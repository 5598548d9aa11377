// Data file reader: one row a line, "time data [weight]" separated by white
// space; the weight is 1.0 where the row has none. A line is read whole
// whatever its length, and a row whose numbers are not all finite is refused.
#include "models/data_file.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

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

int DataFileRowsRead(const char *pszPath, int iCapacity, DataRows *pRows, std::string *pMessage) {
    *pRows = DataRows{};
    pMessage->clear();
    // A folder opens as a stream that reads nothing, which is not a file of no rows.
    std::error_code error;
    std::ifstream file;
    if (!std::filesystem::is_directory(pszPath, error)) {
        file.open(pszPath);
    }
    if (!file.is_open()) {
        *pMessage = "Cannot open file '" + std::string(pszPath) + "'\n";
        return kDataFileNotOpened;
    }
    std::string line;
    while (static_cast<int>(pRows->adTime.size()) < iCapacity && LineRead(file, &line)) {
        double dTime = 0.0, dData = 0.0, dWeight = 0.0;
        if (!RowScan(line, &dTime, &dData, &dWeight)) {
            // The line as a C string shows it: up to a NUL byte, if it holds one.
            *pMessage = "Illegal file string '" + std::string(line.c_str()) + "'\n";
            return kDataFileRowRefused;
        }
        pRows->adTime.push_back(dTime);
        pRows->adData.push_back(dData);
        pRows->adWeight.push_back(dWeight);
    }
    pRows->iNoRowsIgnored = LinesLeftCount(file);
    return 0;
}
