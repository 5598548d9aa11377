// The reader on paths that are not readable files: refused, never read as a
// file of no rows.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "models/data_file.h"

namespace {

TEST(DataFilePaths, FolderIsRefusedLikeAMissingFile) {
    const std::string folder = std::filesystem::temp_directory_path().string();
    for (const std::string &path : {folder, folder + "/no-such-file-here.dat"}) {
        DataRows rows;
        std::string message;
        EXPECT_EQ(DataFileRowsRead(path.c_str(), 10, &rows, &message), kDataFileNotOpened) << path;
        EXPECT_EQ(message, "Cannot open file '" + path + "'\n");
        EXPECT_TRUE(rows.adTime.empty());
    }
}

} // namespace
