// A pool of worker threads taking the next file from a shared counter; the
// calling thread waits for the records and passes them on in order. No
// exception leaves a worker: a file whose fit throws gets a failed record, so
// that no record waiting for its turn is lost.
#include "cli/batch_run.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

namespace {

// What the workers and the calling thread share.
struct Batch {
    Batch(const std::vector<std::string> &files, const FileFitter &FileFitRun)
        : files(files), FileFitRun(FileFitRun), records(files.size()) {}

    const std::vector<std::string> &files;
    const FileFitter &FileFitRun;
    std::atomic<int> iNext{0};
    std::mutex mutex;
    std::condition_variable done;
    std::vector<std::optional<FitRecord>> records; // guarded by mutex
    int iNoDone = 0;                               // guarded by mutex
};

// Stops the workers from starting other files on every way out of BatchRun.
class WorkStop {
  public:
    explicit WorkStop(Batch *pBatch) : pBatch(pBatch) {}
    ~WorkStop() { pBatch->iNext = static_cast<int>(pBatch->files.size()); }
    WorkStop(const WorkStop &) = delete;
    WorkStop &operator=(const WorkStop &) = delete;

  private:
    Batch *pBatch;
};

// The message of the exception being handled.
std::string ExceptionMessage() {
    try {
        throw;
    } catch (const std::bad_alloc &) {
        return "Out of memory while reading or fitting the file";
    } catch (const std::exception &error) {
        return std::string("Error while reading or fitting the file: ") + error.what();
    } catch (...) {
        return "Unknown error while reading or fitting the file";
    }
}

// The file's record; an exception while reading or fitting it gives a failed
// record instead.
FitRecord FileFitGuarded(const Batch &batch, int iFile) noexcept {
    const std::string &path = batch.files[iFile];
    try {
        return batch.FileFitRun(path, iFile + 1);
    } catch (...) {
        FitRecord record;
        record.iStatus = kStatusFitError;
        record.dChiSquare = NAN;
        record.dReducedChiSquare = NAN;
        // Where memory is too short even for the file's name and the message,
        // the record keeps its status alone.
        try {
            record.file = path;
            record.message = ExceptionMessage();
        } catch (...) {
        }
        return record;
    }
}

void Work(Batch *pBatch) {
    const int iNoFiles = static_cast<int>(pBatch->files.size());
    for (int i = pBatch->iNext++; i < iNoFiles; i = pBatch->iNext++) {
        FitRecord record = FileFitGuarded(*pBatch, i);
        {
            const std::lock_guard lock(pBatch->mutex);
            pBatch->records[i] = std::move(record);
            pBatch->iNoDone++;
        }
        pBatch->done.notify_one();
    }
}

} // namespace

int BatchRun(const std::vector<std::string> &files, int iJobs, const FileFitter &FileFitRun,
             const RecordTaker &RecordTake, const std::function<void(int)> &Progress) {
    const int iNoFiles = static_cast<int>(files.size());
    Batch batch(files, FileFitRun);
    // Declared after the workers, so that it stops them before they are joined.
    std::vector<std::jthread> workers;
    const WorkStop stop(&batch);
    for (int i = 0; i < std::min(iJobs, iNoFiles); i++) {
        workers.emplace_back(Work, &batch);
    }
    int iNoFailed = 0;
    int iNoDoneShown = 0;
    for (int iNextOut = 0; iNextOut < iNoFiles;) {
        std::unique_lock lock(batch.mutex);
        batch.done.wait(lock, [&] {
            return batch.iNoDone > iNoDoneShown || batch.records[iNextOut].has_value();
        });
        // Records leave the table one at a time, not gathered in a list whose
        // growth could fail with records already taken out.
        while (iNextOut < iNoFiles && batch.records[iNextOut].has_value()) {
            const FitRecord record = std::move(*batch.records[iNextOut]);
            batch.records[iNextOut++].reset();
            lock.unlock();
            iNoFailed += record.iStatus != 0;
            if (!RecordTake(record)) {
                return iNoFailed;
            }
            lock.lock();
        }
        // Counted after the records were taken: files done meanwhile count
        // too, so that the last count shown is the whole batch.
        const int iNoDone = batch.iNoDone;
        lock.unlock();
        if (iNoDone > iNoDoneShown) {
            iNoDoneShown = iNoDone;
            Progress(iNoDone);
        }
    }
    return iNoFailed;
}
