// Table reader: lines in bounded pieces, comments and blank lines skipped,
// the delimiter and the header found from the first record, fields split by
// libcsv, the chosen cells read as numbers.
#include "models/table_file.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#include <sys/stat.h>

#include "models/field_splitter.h"
#include "models/line_reader.h"

namespace {

constexpr size_t kMaxQuoted = 40;
constexpr char kCandidateDelimiters[] = {',', ';', '\t'};

struct FileCloser {
    void operator()(std::FILE *pFile) const { std::fclose(pFile); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

// The file open for reading; null when it cannot be opened or is a folder
// (which opens, and reads as nothing).
FilePointer FileOpen(const char *pszPath) {
    FilePointer file(std::fopen(pszPath, "rb"));
    struct stat status {};
    if (file != nullptr && (fstat(fileno(file.get()), &status) != 0 || S_ISDIR(status.st_mode))) {
        file.reset();
    }
    return file;
}

bool BlankIs(char c) {
    return c == ' ' || c == '\t';
}

std::string_view BlanksTrimmed(std::string_view text) {
    while (!text.empty() && BlankIs(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && BlankIs(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A blank line, or a comment: '#' or '%' first after blanks.
bool LineSkippedIs(std::string_view line) {
    const std::string_view text = BlanksTrimmed(line);
    return text.empty() || text.front() == '#' || text.front() == '%';
}

// At most kMaxQuoted bytes of the text in quotes, not cut inside a UTF-8
// character, control characters shown as '?', "..." where it was cut.
std::string Quoted(std::string_view text) {
    size_t iLength = text.size();
    if (iLength > kMaxQuoted) {
        iLength = kMaxQuoted;
        while (iLength > 0 && (static_cast<unsigned char>(text[iLength]) & 0xC0) == 0x80) {
            iLength--;
        }
    }
    std::string quoted = "'";
    for (char c : text.substr(0, iLength)) {
        const unsigned char u = static_cast<unsigned char>(c);
        quoted += u < 0x20 || u == 0x7F ? '?' : c;
    }
    return quoted + (iLength < text.size() ? "...'" : "'");
}

// The shortest text that reads back as the number.
std::string NumberText(double dValue) {
    char acText[32];
    const auto [pEnd, error] = std::to_chars(acText, acText + sizeof acText, dValue);
    return std::string(acText, error == std::errc() ? pEnd : acText);
}

// The number a cell holds, blanks around it and a leading '+' allowed; false
// when it is not a whole finite number.
bool CellNumberRead(std::string_view cell, double *pdValue) {
    cell = BlanksTrimmed(cell);
    if (cell.size() > 1 && cell[0] == '+' && cell[1] != '-') {
        cell.remove_prefix(1);
    }
    const char *pLast = cell.data() + cell.size();
    const auto [pEnd, error] = std::from_chars(cell.data(), pLast, *pdValue);
    return error == std::errc() && pEnd == pLast && std::isfinite(*pdValue);
}

// A column given by number: its 0-based index; empty for a name.
std::optional<long> ColumnNumberIndex(const std::string &column) {
    if (column.empty() || column.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    long iNumber = 0;
    const auto [pEnd, error] =
        std::from_chars(column.data(), column.data() + column.size(), iNumber);
    return error == std::errc() ? iNumber - 1 : LONG_MAX;
}

// The separator that splits the line into the most fields; a blank (white
// space) when none splits it.
char DelimiterDetect(std::string_view line) {
    char cBest = ' ';
    size_t iMostFields = 1;
    for (char cDelimiter : kCandidateDelimiters) {
        FieldSplitter splitter(cDelimiter);
        if (!splitter.LineFeed(line)) {
            splitter.RecordEnd();
        }
        if (splitter.FieldCount() > iMostFields) {
            iMostFields = splitter.FieldCount();
            cBest = cDelimiter;
        }
    }
    return cBest;
}

// Indices of the chosen columns; -1 where none is chosen.
struct Columns {
    long iX = -1, iY = -1, iSigma = -1, iWeight = -1;
    bool bWeightOptional = false; // the demos' third column: used where a row has it
};

class TableRead {
  public:
    TableRead(std::FILE *pFile, const TableOptions &options, int iCapacity, DataRows *pRows,
              std::string *pMessage)
        : lines(pFile), options(options), iCapacity(iCapacity), pRows(pRows), pMessage(pMessage) {}

    int Run();

  private:
    int Refuse(int iRc, const std::string &message) const {
        *pMessage = message;
        return iRc;
    }
    std::string LineText() const { return "Line " + std::to_string(iRecordLine); }
    int RecordNext(bool *pbEnd);
    int ColumnsChoose(bool *pbHeader);
    int ColumnFind(const std::string &column, bool bHeader, long *piIndex) const;
    int CellRead(long iIndex, double *pdValue) const;
    int RowTake();

    LineReader lines;
    const TableOptions &options;
    int iCapacity;
    DataRows *pRows;
    std::string *pMessage;
    std::unique_ptr<FieldSplitter> splitter; // made once the delimiter is known
    Columns columns;
    long iRecordLine = 0;         // the line the record starts on
    std::string_view recordStart; // its first line, or the start of it that quotes need
    std::string recordStartKept;  // that start, once the line reader moved on
};

// The next record into the splitter; *pbEnd at the end of the file.
int TableRead::RecordNext(bool *pbEnd) {
    size_t iRecordLength = 0;
    for (bool bInRecord = false;;) {
        std::string_view line;
        const LineReader::Outcome outcome = lines.Read(&line);
        if (outcome == LineReader::Outcome::kTooLong) {
            return Refuse(kTableLineTooLong, "Line " + std::to_string(lines.LineNumber()) +
                                                 " is longer than 1 MiB: " + Quoted(line));
        }
        if (outcome == LineReader::Outcome::kReadFailed) {
            return Refuse(kTableNotOpened, "The file could not be read on after line " +
                                               std::to_string(lines.LineNumber()));
        }
        if (outcome == LineReader::Outcome::kEnd) {
            if (bInRecord) {
                splitter->RecordEnd();
            }
            *pbEnd = !bInRecord;
            return 0;
        }
        if (!bInRecord && LineSkippedIs(line)) {
            continue;
        }
        iRecordLength += line.size() + 1;
        if (iRecordLength > LineReader::kMaxLineLength + 1) {
            return Refuse(kTableLineTooLong,
                          LineText() + " is longer than 1 MiB with its quoted line breaks: " +
                              Quoted(recordStart));
        }
        if (!bInRecord) {
            iRecordLine = lines.LineNumber();
            recordStart = line;
        }
        if (splitter == nullptr) {
            const char cDelimiter =
                options.cDelimiter != 0 ? options.cDelimiter : DelimiterDetect(line);
            splitter = std::make_unique<FieldSplitter>(cDelimiter);
        }
        if (splitter->LineFeed(line)) {
            return 0;
        }
        if (!bInRecord) {
            recordStartKept.assign(line.substr(0, kMaxQuoted + 1));
            recordStart = recordStartKept;
        }
        bInRecord = true;
    }
}

// The index of a chosen column in the header, or among the fields of the
// first row.
int TableRead::ColumnFind(const std::string &column, bool bHeader, long *piIndex) const {
    const long iNoFields = static_cast<long>(splitter->FieldCount());
    if (const std::optional<long> index = ColumnNumberIndex(column)) {
        *piIndex = *index;
        if (*index >= 0 && *index < iNoFields) {
            return 0;
        }
        const std::string where =
            bHeader ? std::string("the header") : "line " + std::to_string(iRecordLine);
        // A number too long to read is quoted like a name.
        const std::string shown = *index < LONG_MAX ? column : Quoted(column);
        return Refuse(kTableColumnMissing, "No column " + shown + ": " + where + " has " +
                                               std::to_string(iNoFields) +
                                               " columns: " + Quoted(recordStart));
    }
    for (long iField = 0; bHeader && iField < iNoFields; iField++) {
        if (BlanksTrimmed(splitter->Field(iField)) == column) {
            *piIndex = iField;
            return 0;
        }
    }
    return Refuse(kTableColumnMissing, "No column " + Quoted(column) +
                                           (bHeader ? " in the header: " + Quoted(recordStart)
                                                    : std::string(": the file has no header")));
}

// Decides from the first record whether it is a header, and finds the
// chosen columns.
int TableRead::ColumnsChoose(bool *pbHeader) {
    const std::string *apChosen[] = {&options.x, &options.y, &options.sigma, &options.weight};
    bool bHeader = options.iHeader == 1;
    for (const std::string *pColumn : apChosen) {
        const std::optional<long> index = ColumnNumberIndex(*pColumn);
        double dValue = 0.0;
        if (options.iHeader == -1 && !pColumn->empty() &&
            (!index || (*index >= 0 && *index < static_cast<long>(splitter->FieldCount()) &&
                        !CellNumberRead(splitter->Field(*index), &dValue)))) {
            bHeader = true;
        }
    }
    *pbHeader = bHeader;
    long *apiIndices[] = {&columns.iX, &columns.iY, &columns.iSigma, &columns.iWeight};
    for (int i = 0; i < 4; i++) {
        if (!apChosen[i]->empty()) {
            if (const int iRc = ColumnFind(*apChosen[i], bHeader, apiIndices[i]); iRc != 0) {
                return iRc;
            }
        }
    }
    if (!bHeader && options.sigma.empty() && options.weight.empty()) {
        columns.iWeight = 2;
        columns.bWeightOptional = true;
    }
    return 0;
}

int TableRead::CellRead(long iIndex, double *pdValue) const {
    if (iIndex >= static_cast<long>(splitter->FieldCount())) {
        return Refuse(kTableCellRefused, LineText() + " has no column " +
                                             std::to_string(iIndex + 1) + ": " +
                                             Quoted(recordStart));
    }
    if (!CellNumberRead(splitter->Field(iIndex), pdValue)) {
        return Refuse(kTableCellRefused, LineText() + ": column " + std::to_string(iIndex + 1) +
                                             " is not a number: " + Quoted(recordStart));
    }
    return 0;
}

int TableRead::RowTake() {
    double dX = 0.0, dY = 0.0, dWeight = 1.0;
    int iRc = CellRead(columns.iX, &dX);
    if (iRc == 0) {
        iRc = CellRead(columns.iY, &dY);
    }
    if (iRc == 0 && columns.iSigma >= 0) {
        double dSigma = 0.0;
        iRc = CellRead(columns.iSigma, &dSigma);
        // A sigma so small that its inverse overflows is refused with the others.
        if (iRc == 0 && !(dSigma > 0 && std::isfinite(1.0 / dSigma))) {
            return Refuse(kTableSigmaNotPositive, LineText() + ": sigma in column " +
                                                      std::to_string(columns.iSigma + 1) +
                                                      " is not positive: " + Quoted(recordStart));
        }
        dWeight = 1.0 / dSigma;
    }
    if (iRc == 0 && columns.iWeight >= 0 &&
        (!columns.bWeightOptional || columns.iWeight < static_cast<long>(splitter->FieldCount()))) {
        iRc = CellRead(columns.iWeight, &dWeight);
    }
    if (iRc != 0 ||
        (options.range && !(dX >= options.range->first && dX <= options.range->second))) {
        return iRc;
    }
    if (static_cast<int>(pRows->adTime.size()) < iCapacity) {
        pRows->adTime.push_back(dX);
        pRows->adData.push_back(dY);
        pRows->adWeight.push_back(dWeight);
    } else if (pRows->iNoRowsIgnored < INT_MAX) {
        pRows->iNoRowsIgnored++;
    }
    return 0;
}

int TableRead::Run() {
    pRows->bSigmaGiven = !options.sigma.empty();
    bool bHeader = false;
    for (bool bFirst = true;; bFirst = false) {
        bool bEnd = false;
        int iRc = RecordNext(&bEnd);
        if (iRc != 0) {
            return iRc;
        }
        if (bEnd) {
            break;
        }
        if (bFirst && (iRc = ColumnsChoose(&bHeader)) != 0) {
            return iRc;
        }
        if (!(bFirst && bHeader) && (iRc = RowTake()) != 0) {
            return iRc;
        }
    }
    if (pRows->adTime.empty() && pRows->iNoRowsIgnored == 0) {
        return Refuse(kTableNoRows, !options.range ? std::string("No data rows")
                                                   : "No data rows with x in [" +
                                                         NumberText(options.range->first) + ", " +
                                                         NumberText(options.range->second) + "]");
    }
    return 0;
}

} // namespace

int TableFileRead(const char *pszPath, const TableOptions &options, int iCapacity, DataRows *pRows,
                  std::string *pMessage) {
    *pRows = DataRows{};
    pMessage->clear();
    FilePointer file = FileOpen(pszPath);
    if (file == nullptr) {
        *pMessage = "Cannot open file '" + std::string(pszPath) + "'";
        return kTableNotOpened;
    }
    return TableRead(file.get(), options, iCapacity, pRows, pMessage).Run();
}
