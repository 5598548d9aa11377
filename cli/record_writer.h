// The records of varo-fit on an output stream: CSV with one header row, or
// one JSON array of objects. Both name the columns alike: file, status,
// message, iterations, chi_square, degrees_of_freedom, reduced_chi_square,
// then the model's parameters and derived quantities, each followed by its
// error (Ampl1, Ampl1_error, Mean1, ..., Height1, Height1_error, ...). A value
// that is not available is an empty CSV field or null.
#ifndef VARO_CLI_RECORD_WRITER_H
#define VARO_CLI_RECORD_WRITER_H

#include <cstdio>
#include <string>
#include <vector>

#include "cli/file_fit.h"

class RecordWriter {
  public:
    RecordWriter(std::FILE *pStream, OutputFormat format, const Model &model);
    // Writes the header row or the array's opening.
    void Begin();
    // Writes one record and flushes the stream.
    void Write(const FitRecord &record);
    // Closes the array.
    void End();

  private:
    std::FILE *pStream;
    OutputFormat format;
    std::vector<std::string> columns; // value columns, errors interleaved
    int iNoWritten = 0;
};

#endif
