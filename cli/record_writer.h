// The records of varo-fit on an output stream: CSV with one header row, or
// one JSON array of objects. Both name the columns alike: file, status,
// message, iterations, chi_square, degrees_of_freedom, reduced_chi_square,
// then per term its shown values and their errors (Ampl1, Ampl1_error,
// Mean1, ...). A value that is not available is an empty CSV field or null.
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
    RecordWriter(std::FILE *pStream, OutputFormat format, const ModelFamily &family, int iNoTerms);
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
    std::vector<std::string> columns; // value columns, errors interleaved
    int iNoWritten = 0;
    int iWriteError = 0;
};

#endif
