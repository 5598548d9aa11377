// Data tables as laboratories write them: comma, semicolon, tab or white space
// separated columns, an optional header row, comment lines, quoted CSV
// fields. Columns are chosen by header name or by number. The reader prints
// nothing; it hands back the text a program shows.
#ifndef VARO_MODELS_TABLE_FILE_H
#define VARO_MODELS_TABLE_FILE_H

#include <optional>
#include <string>
#include <utility>

#include "models/data_file.h"

// How a table is read. A column is a header name or a 1-based number; a text
// of digits only is a number.
struct TableOptions {
    // 0: detected from the first line that is not blank or a comment (the
    // separator, of comma, semicolon and tab, that splits it into the most
    // fields; white space when none splits it). ' ': runs of blanks and tabs.
    // Any other character separates single fields, empty ones included.
    char cDelimiter = 0;
    // -1: detected (the first line is a header when a chosen cell of it is not
    // a number, or when a column is chosen by name); 0: no header; 1: the first
    // line is a header.
    int iHeader = -1;
    std::string x = "1", y = "2";
    // Standard deviations (weight 1/sigma) or weights; empty: none. Without
    // either, the third column of a file without header is its weight, where
    // a row has one, as in the demos' files.
    std::string sigma, weight;
    // Only rows whose x lies in [first, second] are kept.
    std::optional<std::pair<double, double>> range;
};

// Outcomes of TableFileRead besides 0 (success).
constexpr int kTableNotOpened = 1;        // cannot open or read the file, or it is a folder
constexpr int kTableCellRefused = 2;      // a chosen cell is missing or not a finite number
constexpr int kTableLineTooLong = 3;      // a line is longer than 1 MiB
constexpr int kTableNoRows = 4;           // no data row (in the range)
constexpr int kTableSigmaNotPositive = 5; // a sigma is zero or negative (or its inverse overflows)
constexpr int kTableColumnMissing = 6;    // a chosen column is not in the header or first row

// Reads the rows of pszPath into *pRows (replacing what it held): x in adTime,
// y in adData, and adWeight from the sigma column (1/sigma, bSigmaGiven set),
// the weight column, or 1. Lines that are blank or start with '#' or '%'
// (after blanks) are skipped; CR LF line breaks and a UTF-8 byte-order mark
// are allowed; CSV fields may be quoted (a quoted field may hold separators,
// quotes written twice and line breaks). Rows beyond iCapacity are read and
// checked but not kept, and counted in iNoRowsIgnored.
//   pszPath    in: the file.
//   options    in: delimiter, header, columns and range.
//   iCapacity  in: the largest number of rows kept, 0 or more.
//   pRows      out: the rows; complete only on success.
//   pMessage   out: one line without newline saying what was refused and
//              where, at most 200 characters apart from the path that
//              kTableNotOpened names; quotes at most 40 characters of a line.
//              Emptied on success.
// Returns 0 or one of the outcomes above. Safe to call from several threads at
// once for different rows. Throws std::bad_alloc when memory runs out.
int TableFileRead(const char *pszPath, const TableOptions &options, int iCapacity, DataRows *pRows,
                  std::string *pMessage);

#endif
