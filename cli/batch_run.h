// Fits every file of the options on a pool of threads, one fit object per
// file, and hands the records on in the order of the files.
#ifndef VARO_CLI_BATCH_RUN_H
#define VARO_CLI_BATCH_RUN_H

#include <functional>

#include "cli/file_fit.h"

// Runs options.iJobs threads (at most one per file). RecordTake is called on
// the calling thread with each record in the order of options.files, as soon
// as that record and all before it are done; Progress is called there too,
// with the number of files done, whenever that number grows. Returns the
// number of records whose status is not 0.
int BatchRun(const FitOptions &options, const std::function<void(const FitRecord &)> &RecordTake,
             const std::function<void(int)> &Progress);

#endif
