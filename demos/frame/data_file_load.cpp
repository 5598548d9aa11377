// The demos' data file reading: the rows go into the program's fixed arrays
// and the reader's messages onto the console.
#include <algorithm>
#include <cstdio>
#include <string>

#include "demos/frame/frame.h"
#include "models/data_file.h"

int DataFileRead(const char *pszPath, int *piNoPoints, double *adTime, double *adData,
                 double *adWeight) {
    const int iCapacity = *piNoPoints;
    DataRows rows;
    std::string message;
    const int iRc = DataFileRowsRead(pszPath, iCapacity, &rows, &message);
    if (iRc != 0) {
        std::fputs(message.c_str(), stdout);
        return iRc;
    }
    std::copy(rows.adTime.begin(), rows.adTime.end(), adTime);
    std::copy(rows.adData.begin(), rows.adData.end(), adData);
    std::copy(rows.adWeight.begin(), rows.adWeight.end(), adWeight);
    if (rows.iNoRowsIgnored > 0) {
        std::printf("File '%s': only the first %d rows are used, %d more are ignored\n", pszPath,
                    iCapacity, rows.iNoRowsIgnored);
    }
    *piNoPoints = static_cast<int>(rows.adTime.size());
    return 0;
}
