// Data files of the fitting programs: one row a line, "time data [weight]"
// separated by white space, no header, no comments, no blank lines. The
// reader prints nothing; it hands back the text a program shows.
#ifndef VARO_MODELS_DATA_FILE_H
#define VARO_MODELS_DATA_FILE_H

#include <string>
#include <vector>

// The rows of one file, in file order.
struct DataRows {
    std::vector<double> adTime;
    std::vector<double> adData;
    std::vector<double> adWeight; // 1.0 where the row has none
    int iNoRowsIgnored = 0;       // lines beyond the capacity, not read
    bool bSigmaGiven = false;     // the weights are 1/sigma of standard deviations given
};

// Outcomes of DataFileRowsRead besides 0 (success).
constexpr int kDataFileNotOpened = 1;
constexpr int kDataFileRowRefused = 2;

// Reads at most iCapacity rows of pszPath into *pRows (replacing what it held)
// and counts the lines beyond them in iNoRowsIgnored. A line is read whole
// whatever its length; a line with fewer than two numbers, or with a number
// that is not finite, is refused and nothing after it is read.
//   pszPath    in: the file.
//   iCapacity  in: the largest number of rows kept, 0 or more.
//   pRows      out: the rows; complete only on success.
//   pMessage   out: "Cannot open file '<path>'\n" (kDataFileNotOpened; also
//              for a folder) or
//              "Illegal file string '<line as read, newline included>'\n"
//              (kDataFileRowRefused); emptied on success.
// Returns 0, kDataFileNotOpened or kDataFileRowRefused. Safe to call from
// several threads at once for different rows.
int DataFileRowsRead(const char *pszPath, int iCapacity, DataRows *pRows, std::string *pMessage);

#endif
