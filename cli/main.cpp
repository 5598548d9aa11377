// varo-fit [options] FILE...: fits a model to every data file, without a
// window, and writes one record per file on standard output.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include <unistd.h>

#include "cli/batch_run.h"
#include "cli/progress_bar.h"
#include "cli/record_writer.h"

namespace {

// The real standard output as a stream of its own for the records; descriptor
// 1 then writes to standard error, so that whatever the library prints there
// (its leak banner, the bells of an over-long message) stays out of the
// records. Null, with errno set, when that cannot be arranged.
std::FILE *RecordStreamOpen() {
    const int iRecordFd = dup(STDOUT_FILENO);
    if (iRecordFd < 0) {
        return nullptr;
    }
    std::FILE *pStream = fdopen(iRecordFd, "w");
    if (pStream == nullptr) {
        const int iError = errno;
        close(iRecordFd);
        errno = iError;
    }
    if (pStream != nullptr && dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        const int iError = errno;
        std::fclose(pStream);
        errno = iError;
        return nullptr;
    }
    return pStream;
}

int WriteFailureReport(int iError) {
    std::fprintf(stderr, "varo-fit: cannot write the records: %s\n", std::strerror(iError));
    return 1;
}

// Fits the files and writes their records; returns the exit status.
int BatchWrite(const FitOptions &options, std::FILE *pRecords) {
    RecordWriter writer(pRecords, options);
    const int iNoFiles = static_cast<int>(options.files.size());
    ProgressBar progress(stderr, iNoFiles, ProgressBar::ShownIs(STDERR_FILENO, fileno(pRecords)));
    int iNoFailed = 0;
    if (writer.Begin()) {
        iNoFailed = BatchRun(
            options.files, options.iJobs,
            [&](const std::string &path, int iPosition) {
                return FileFit(path, iPosition, iNoFiles, options);
            },
            [&](const FitRecord &record) { return writer.Write(record); },
            [&](int iNoDone) { progress.Update(iNoDone); });
    }
    writer.End();
    progress.Finish();
    if (writer.WriteErrorGet() != 0) {
        return WriteFailureReport(writer.WriteErrorGet());
    }
    if (std::fclose(pRecords) != 0) {
        return WriteFailureReport(errno);
    }
    return iNoFailed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    FitOptions options;
    if (const int iStatus = FitOptionsParse(argc, argv, &options); iStatus >= 0) {
        return iStatus;
    }
    std::FILE *pRecords = RecordStreamOpen();
    if (pRecords == nullptr) {
        return WriteFailureReport(errno);
    }
    // Whatever escapes the batch (memory short for a record on its way out)
    // ends the program with a message instead of std::terminate.
    try {
        return BatchWrite(options, pRecords);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "varo-fit: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "varo-fit: unknown error\n");
    }
    return 1;
}
