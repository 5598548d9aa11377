// Fits a list of files on a pool of threads, one fit object per file, and
// hands the records on in the order of the files.
#ifndef VARO_CLI_BATCH_RUN_H
#define VARO_CLI_BATCH_RUN_H

#include <functional>
#include <string>
#include <vector>

#include "cli/file_fit.h"

// Reads and fits one file: its path and 1-based position in the list.
using FileFitter = std::function<FitRecord(const std::string &path, int iPosition)>;
// Takes one record; false when it could not, which ends the batch.
using RecordTaker = std::function<bool(const FitRecord &)>;

// Runs iJobs threads (at most one per file), each fitting the next file with
// FileFitRun. An exception it throws becomes that file's record, with status
// kStatusFitError and a message naming it. RecordTake is called on the calling
// thread with each record in the order of files, as soon as that record and
// all before it are done; Progress is called there too, with the number of
// files done, whenever that number grows. Once RecordTake returns false no
// file is started any more; BatchRun returns when the fits running end. An
// exception from RecordTake or Progress leaves BatchRun the same way. Returns
// the number of records taken whose status is not 0.
int BatchRun(const std::vector<std::string> &files, int iJobs, const FileFitter &FileFitRun,
             const RecordTaker &RecordTake, const std::function<void(int)> &Progress);

#endif
