// libcsv in its lenient mode, with only LF ending a record (a CR inside a line
// is data: line breaks are the line reader's). White space tables are read
// with a blank as the separator, tabs turned into blanks, and the empty
// unquoted fields between neighbouring blanks left out.
#include "models/field_splitter.h"

#include <algorithm>
#include <new>

namespace {

int LineFeedIs(unsigned char c) {
    return c == '\n';
}

} // namespace

FieldSplitter::FieldSplitter(char cDelimiter) : bWhiteSpace(cDelimiter == ' ') {
    if (csv_init(&parser, bWhiteSpace ? CSV_EMPTY_IS_NULL : 0) != 0) {
        throw std::bad_alloc();
    }
    csv_set_delim(&parser, static_cast<unsigned char>(cDelimiter));
    csv_set_term_func(&parser, LineFeedIs);
}

FieldSplitter::~FieldSplitter() {
    csv_free(&parser);
}

std::string_view FieldSplitter::Field(size_t iField) const {
    const size_t iBegin = iField == 0 ? 0 : aiFieldEnds[iField - 1];
    return std::string_view(text).substr(iBegin, aiFieldEnds[iField] - iBegin);
}

// No exception may unwind through libcsv: a failed allocation is kept and
// thrown once libcsv has returned.
void FieldSplitter::FieldTake(void *pField, size_t iSize, void *pSplitter) {
    FieldSplitter &splitter = *static_cast<FieldSplitter *>(pSplitter);
    if (pField == nullptr && splitter.bWhiteSpace) {
        return;
    }
    try {
        splitter.text.append(static_cast<const char *>(pField), pField != nullptr ? iSize : 0);
        splitter.aiFieldEnds.push_back(splitter.text.size());
    } catch (const std::bad_alloc &) {
        splitter.bOutOfMemory = true;
    }
}

void FieldSplitter::RecordTake(int, void *pSplitter) {
    static_cast<FieldSplitter *>(pSplitter)->bRecordEnded = true;
}

void FieldSplitter::BytesParse(std::string_view bytes) {
    // Running out of memory is the only error of the lenient mode.
    if (csv_parse(&parser, bytes.data(), bytes.size(), FieldTake, RecordTake, this) !=
            bytes.size() ||
        bOutOfMemory) {
        throw std::bad_alloc();
    }
}

bool FieldSplitter::LineFeed(std::string_view line) {
    if (bRecordEnded) {
        text.clear();
        aiFieldEnds.clear();
        bRecordEnded = false;
    }
    if (bWhiteSpace) {
        blankedLine.assign(line);
        std::replace(blankedLine.begin(), blankedLine.end(), '\t', ' ');
        line = blankedLine;
    }
    BytesParse(line);
    BytesParse("\n");
    return bRecordEnded;
}

void FieldSplitter::RecordEnd() {
    if (csv_fini(&parser, FieldTake, RecordTake, this) != 0 || bOutOfMemory) {
        throw std::bad_alloc();
    }
}
