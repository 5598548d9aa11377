// Lines of a text file read in bounded pieces: each line is handed out as a
// view into one buffer of fixed size, so that a file without line breaks is
// never held whole, however large it is.
#ifndef VARO_MODELS_LINE_READER_H
#define VARO_MODELS_LINE_READER_H

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string_view>

class LineReader {
  public:
    // The longest line handed out, in bytes without its line break.
    static constexpr size_t kMaxLineLength = size_t{1} << 20;

    enum class Outcome {
        kLine,      // *pLine holds the next line
        kEnd,       // no line is left
        kTooLong,   // the next line is longer than kMaxLineLength; *pLine holds its start
        kReadFailed // the file could not be read on
    };

    // pFile: in, open for reading; the reader does not close it.
    explicit LineReader(std::FILE *pFile);

    // The next line without its LF or CR LF (a last line may have none), and
    // without the UTF-8 byte-order mark that may open the file. *pLine stays
    // valid until the next call. After kTooLong or kReadFailed no line follows.
    Outcome Read(std::string_view *pLine);

    // 1-based number of the line last handed out (or refused as too long).
    long LineNumber() const { return iLineNumber; }

  private:
    // Moves the unread bytes to the front and reads more after them; false at
    // the end of the file or on a read error (bReadFailed).
    bool BufferFill();

    std::FILE *pFile;
    std::unique_ptr<char[]> buffer;
    size_t iBegin = 0;   // first byte not handed out
    size_t iEnd = 0;     // end of the bytes read
    size_t iScanned = 0; // bytes after iBegin known to hold no line break
    bool bEnd = false;
    bool bReadFailed = false;
    long iLineNumber = 0;
};

#endif
