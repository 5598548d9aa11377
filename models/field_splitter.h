// The fields of delimited records, split by libcsv: quoted fields may hold
// separators, quotes written twice and line breaks. A record is one line, or
// several when a quoted field goes on over a line break.
#ifndef VARO_MODELS_FIELD_SPLITTER_H
#define VARO_MODELS_FIELD_SPLITTER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <csv.h>

class FieldSplitter {
  public:
    // cDelimiter: the separator of single fields, or ' ' for runs of blanks
    // and tabs. Throws std::bad_alloc when libcsv cannot start.
    explicit FieldSplitter(char cDelimiter);
    ~FieldSplitter();
    FieldSplitter(const FieldSplitter &) = delete;
    FieldSplitter &operator=(const FieldSplitter &) = delete;

    // Feeds one line without its line break; true when it ends a record, false
    // when a quoted field goes on into the next line. The first line fed after
    // a record ended starts the next one. Throws std::bad_alloc.
    bool LineFeed(std::string_view line);
    // Ends the record that a quoted field left open at the end of the file.
    void RecordEnd();

    // The fields of the record ended last.
    size_t FieldCount() const { return aiFieldEnds.size(); }
    std::string_view Field(size_t iField) const;

  private:
    static void FieldTake(void *pField, size_t iSize, void *pSplitter);
    static void RecordTake(int iTerminator, void *pSplitter);
    void BytesParse(std::string_view bytes);

    csv_parser parser;
    bool bWhiteSpace;
    bool bRecordEnded = true;
    bool bOutOfMemory = false;
    std::string text;                // the fields' bytes, one after another
    std::vector<size_t> aiFieldEnds; // where each field ends in text
    std::string blankedLine;         // a line of a white-space table, tabs made blanks
};

#endif
