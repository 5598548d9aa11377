// A pool of worker threads taking the next file from a shared counter; the
// calling thread waits for the records and passes them on in order.
#include "cli/batch_run.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

// What the workers and the calling thread share.
struct Batch {
    explicit Batch(const FitOptions &options) : options(options) {}

    const FitOptions &options;
    std::atomic<int> iNext{0};
    std::mutex mutex;
    std::condition_variable done;
    std::vector<std::optional<FitRecord>> records; // guarded by mutex
    int iNoDone = 0;                               // guarded by mutex
};

void Work(Batch *pBatch) {
    const int iNoFiles = static_cast<int>(pBatch->options.files.size());
    for (int i = pBatch->iNext++; i < iNoFiles; i = pBatch->iNext++) {
        FitRecord record = FileFit(pBatch->options.files[i], i + 1, iNoFiles, pBatch->options);
        {
            const std::lock_guard lock(pBatch->mutex);
            pBatch->records[i] = std::move(record);
            pBatch->iNoDone++;
        }
        pBatch->done.notify_one();
    }
}

} // namespace

int BatchRun(const FitOptions &options, const std::function<void(const FitRecord &)> &RecordTake,
             const std::function<void(int)> &Progress) {
    const int iNoFiles = static_cast<int>(options.files.size());
    Batch batch(options);
    batch.records.resize(iNoFiles);
    std::vector<std::jthread> workers;
    for (int i = 0; i < std::min(options.iJobs, iNoFiles); i++) {
        workers.emplace_back(Work, &batch);
    }
    int iNoFailed = 0;
    int iNoDoneShown = 0;
    for (int iNextOut = 0; iNextOut < iNoFiles;) {
        std::unique_lock lock(batch.mutex);
        batch.done.wait(lock, [&] {
            return batch.iNoDone > iNoDoneShown || batch.records[iNextOut].has_value();
        });
        const int iNoDone = batch.iNoDone;
        std::vector<FitRecord> ready;
        while (iNextOut < iNoFiles && batch.records[iNextOut].has_value()) {
            ready.push_back(std::move(*batch.records[iNextOut]));
            batch.records[iNextOut++].reset();
        }
        lock.unlock();
        for (const FitRecord &record : ready) {
            iNoFailed += record.iStatus != 0;
            RecordTake(record);
        }
        if (iNoDone > iNoDoneShown) {
            iNoDoneShown = iNoDone;
            Progress(iNoDone);
        }
    }
    return iNoFailed;
}
