// The records of varo-fit on an output stream: CSV with one header row, or
// one JSON array of objects. Both name the columns alike: file, status,
// message, iterations, chi_square, degrees_of_freedom, reduced_chi_square,
// then the model's parameters and derived quantities, each followed by its
// error (Ampl1, Ampl1_error, Mean1, ..., Height1, Height1_error, ...), then
// for every parameter that has limits NAME_at_limit (1 on a limit, else 0),
// then for every profile interval level P and parameter NAME_low_P and
// NAME_high_P. A value that is not available is an empty CSV field or null.
#ifndef VARO_CLI_RECORD_WRITER_H
#define VARO_CLI_RECORD_WRITER_H

#include <cstdio>
#include <string>
#include <vector>

#include "cli/file_fit.h"

// Each writing method returns false once a write to the stream has failed
// (then or before), and writes nothing more after that.
class RecordWriter {
  public:
    // The columns of options' model, limits and interval levels.
    RecordWriter(std::FILE *pStream, const FitOptions &options);
    // Writes the header row or the array's opening and flushes the stream.
    bool Begin();
    // Writes one record and flushes the stream.
    bool Write(const FitRecord &record);
    // Closes the array and flushes the stream.
    bool End();
    // The errno of the first failed write; 0 while none failed.
    int WriteErrorGet() const { return iWriteError; }

  private:
    // Flushes the stream; false when it or a write before failed.
    bool Flush();

    std::FILE *pStream;
    OutputFormat format;
    std::vector<std::string> columns;         // value columns, errors interleaved
    std::vector<int> aiLimited;               // parameters with an at-limit column
    std::vector<std::string> atLimitColumns;  // their columns
    std::vector<std::string> intervalColumns; // low and high, level after level
    int iNoWritten = 0;
    int iWriteError = 0;
};

#endif
