// The buffer holds the longest line allowed, its CR LF and one more piece;
// a line is found with memchr and handed out in place.
#include "models/line_reader.h"

#include <cstring>

namespace {

constexpr size_t kPieceSize = size_t{64} << 10;
constexpr size_t kBufferSize = LineReader::kMaxLineLength + 2 + kPieceSize;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

} // namespace

// Not value-initialised: pages of the buffer a small file never reaches are
// never touched.
LineReader::LineReader(std::FILE *pFile) : pFile(pFile), buffer(new char[kBufferSize]) {}

bool LineReader::BufferFill() {
    if (bEnd) {
        return false;
    }
    std::memmove(buffer.get(), buffer.get() + iBegin, iEnd - iBegin);
    iEnd -= iBegin;
    iBegin = 0;
    const size_t iRead = std::fread(buffer.get() + iEnd, 1, kBufferSize - iEnd, pFile);
    iEnd += iRead;
    if (iRead == 0) {
        bEnd = true;
        bReadFailed = std::ferror(pFile) != 0;
    }
    return iRead > 0;
}

LineReader::Outcome LineReader::Read(std::string_view *pLine) {
    for (;;) {
        const char *pStart = buffer.get() + iBegin;
        const size_t iAvailable = iEnd - iBegin;
        const void *pBreak = std::memchr(pStart + iScanned, '\n', iAvailable - iScanned);
        const size_t iLength =
            pBreak != nullptr ? static_cast<const char *>(pBreak) - pStart : iAvailable;
        // A CR may wait for its LF in the next piece.
        const size_t iTextLength = iLength - (iLength > 0 && pStart[iLength - 1] == '\r');
        if (iTextLength > kMaxLineLength) {
            iLineNumber++;
            *pLine = std::string_view(pStart, kMaxLineLength);
            bEnd = true;
            iBegin = iEnd;
            return Outcome::kTooLong;
        }
        if (pBreak != nullptr || (!BufferFill() && iAvailable > 0 && !bReadFailed)) {
            // After a fill at the end the bytes moved: the line starts at the front.
            const char *pLineStart = buffer.get() + iBegin;
            *pLine = std::string_view(pLineStart, iTextLength);
            if (iLineNumber++ == 0 && pLine->starts_with(kByteOrderMark)) {
                pLine->remove_prefix(kByteOrderMark.size());
            }
            iBegin += pBreak != nullptr ? iLength + 1 : iLength;
            iScanned = 0;
            return Outcome::kLine;
        }
        if (bEnd) {
            return bReadFailed ? Outcome::kReadFailed : Outcome::kEnd;
        }
        iScanned = iLength;
    }
}
