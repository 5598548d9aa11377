// The batch on its threads: an exception while fitting a file becomes that
// file's failed record in its place.
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/batch_run.h"

namespace {

FitRecord FitRecordOf(const std::string &path) {
    FitRecord record;
    record.file = path;
    return record;
}

TEST(BatchRun, ExceptionsBecomeFailedRecordsInTheirPlace) {
    const std::vector<std::string> files = {"a", "no memory", "c", "runtime", "other", "f"};
    const FileFitter Fit = [](const std::string &path, int) {
        if (path == "no memory") {
            throw std::bad_alloc();
        }
        if (path == "runtime") {
            throw std::runtime_error("disk on fire");
        }
        if (path == "other") {
            throw 42;
        }
        return FitRecordOf(path);
    };
    std::vector<FitRecord> records;
    const int iNoFailed = BatchRun(
        files, 2, Fit,
        [&](const FitRecord &record) {
            records.push_back(record);
            return true;
        },
        [](int) {});

    const std::vector<std::string> messages = {
        "",
        "Out of memory while reading or fitting the file",
        "",
        "Error while reading or fitting the file: disk on fire",
        "Unknown error while reading or fitting the file",
        ""};
    EXPECT_EQ(iNoFailed, 3);
    ASSERT_EQ(records.size(), files.size());
    for (size_t i = 0; i < files.size(); i++) {
        EXPECT_EQ(records[i].file, files[i]);
        EXPECT_EQ(records[i].iStatus, messages[i].empty() ? 0 : kStatusFitError) << files[i];
        EXPECT_EQ(records[i].message, messages[i]);
    }
}

} // namespace
