// varo-fit [options] FILE...: fits a model to every data file, without a
// window, and writes one record per file on standard output; with --plot a
// picture per file, with --report one HTML page of the batch.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>

#include <unistd.h>

#include "cli/batch_run.h"
#include "cli/progress_bar.h"
#include "cli/record_writer.h"
#include "cli/report_row.h"
#include "plots/drawing_caches.h"
#include "plots/report_page.h"

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

// The report page asked for, begun; empty without --report. False, with a
// message, when it cannot be begun.
bool ReportBegin(const FitOptions &options, std::optional<ReportPage> *pReport) {
    if (options.reportPath.empty()) {
        return true;
    }
    const size_t iNoFiles = options.files.size();
    pReport->emplace(options.reportPath,
                     "varo-fit --model " + options.modelText + ": " + std::to_string(iNoFiles) +
                         (iNoFiles == 1 ? " file" : " files"),
                     options.model.ParamNames());
    if (!(*pReport)->Begin()) {
        std::fprintf(stderr, "varo-fit: %s\n", (*pReport)->ErrorGet().c_str());
        return false;
    }
    return true;
}

// Fits the files and writes their records, pictures and report; returns the
// exit status.
int BatchWrite(const FitOptions &options, std::FILE *pRecords) {
    std::optional<ReportPage> report;
    if (!ReportBegin(options, &report)) {
        return 1;
    }
    RecordWriter writer(pRecords, options);
    const int iNoFiles = static_cast<int>(options.files.size());
    ProgressBar progress(stderr, iNoFiles, ProgressBar::ShownIs(STDERR_FILENO, fileno(pRecords)));
    int iNoFailed = 0;
    int iNoTaken = 0;
    const auto RecordTake = [&](const FitRecord &record) {
        iNoTaken++;
        if (!record.pictureError.empty()) {
            progress.LineWrite("varo-fit: " + record.pictureError);
        }
        if (report) {
            report->RowAdd(
                ReportRowOf(record, iNoTaken, options.model.ParamCount(), options.reportPath));
        }
        return writer.Write(record);
    };
    if (writer.Begin()) {
        iNoFailed = BatchRun(
            options.files, options.iJobs,
            [&](const std::string &path, int iPosition) {
                return FileFit(path, iPosition, iNoFiles, options);
            },
            RecordTake, [&](int iNoDone) { progress.Update(iNoDone); });
    }
    writer.End();
    progress.Finish();
    if (writer.WriteErrorGet() != 0) {
        return WriteFailureReport(writer.WriteErrorGet());
    }
    if (report && !report->End()) {
        std::fprintf(stderr, "varo-fit: %s\n", report->ErrorGet().c_str());
        return 1;
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
        const int iStatus = BatchWrite(options, pRecords);
        DrawingCachesRelease();
        return iStatus;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "varo-fit: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "varo-fit: unknown error\n");
    }
    return 1;
}
