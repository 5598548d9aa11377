// The data file reader: columns, weights, refused rows, long lines, capacity.
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "demos/frame/frame.h"
#include "demos/frame/tests/demo_fixture.h"

namespace {

struct Row {
    double dTime, dData, dWeight;
    bool operator==(const Row &) const = default;
};

struct ReadResult {
    int iRc;
    std::vector<Row> rows;
    std::string console;
};

std::string TempFileWrite(const std::string &contents) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("demo_data_" + std::to_string(::getpid()) + ".dat"))
                                 .string();
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

ReadResult FileRead(const std::string &path, int iCapacity = kMaxPoints) {
    ModelData &data = gDemoState.modelData;
    data.iNoPoints = iCapacity;
    ReadResult result{};
    result.console = ConsoleCapture([&] {
        result.iRc =
            DataFileRead(path.c_str(), &data.iNoPoints, data.adTime, data.adData, data.adWeight);
    });
    if (result.iRc == 0) {
        for (int i = 0; i < data.iNoPoints; i++) {
            result.rows.push_back({data.adTime[i], data.adData[i], data.adWeight[i]});
        }
    }
    return result;
}

ReadResult ContentsRead(const std::string &contents) {
    const std::string path = TempFileWrite(contents);
    ReadResult result = FileRead(path);
    std::filesystem::remove(path);
    return result;
}

struct ReadCase {
    const char *pszName;
    std::string contents;
    int iRc;
    std::vector<Row> rows;
    std::string console;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const ReadCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class DataFile : public testing::TestWithParam<ReadCase> {};

TEST_P(DataFile, ReadsRowsOrRefusesTheFile) {
    const ReadCase &c = GetParam();
    const ReadResult result = ContentsRead(c.contents);
    EXPECT_EQ(result.iRc, c.iRc);
    EXPECT_EQ(result.console, c.console);
    if (c.iRc == 0) {
        EXPECT_EQ(result.rows, c.rows);
    }
}

const std::string kLongNumber = "2." + std::string(120, '5');

INSTANTIATE_TEST_SUITE_P(
    Contents, DataFile,
    testing::Values(
        ReadCase{"TwoColumnsGetWeightOne", "1.5 2.5\n3 4\n", 0, {{1.5, 2.5, 1}, {3, 4, 1}}, ""},
        ReadCase{"ThirdColumnIsTheWeight", "1.5\t2.5  0.5\n", 0, {{1.5, 2.5, 0.5}}, ""},
        ReadCase{"TextAfterThreeNumbersIgnored", "1.5 2.5 0.5 word\n", 0, {{1.5, 2.5, 0.5}}, ""},
        ReadCase{"LastLineWithoutNewline", "1 2\n3 4", 0, {{1, 2, 1}, {3, 4, 1}}, ""},
        ReadCase{"EmptyFileHasNoRows", "", 0, {}, ""},
        ReadCase{"LongLineIsOneRow",
                 std::string(100, ' ') + "1 " + kLongNumber + " 0.25\n5 6\n",
                 0,
                 {{1, 2.5555555555555554, 0.25}, {5, 6, 1}},
                 ""},
        ReadCase{"LoneNewlineRefused", "1 2\n\n", 2, {}, "Illegal file string '\n'\n"},
        ReadCase{"OneNumberRefused", "1 2\n7\n3 4\n", 2, {}, "Illegal file string '7\n'\n"},
        ReadCase{"CommasRefused", "1,2\n", 2, {}, "Illegal file string '1,2\n'\n"},
        ReadCase{"HeaderRefused", "time data\n1 2\n", 2, {}, "Illegal file string 'time data\n'\n"},
        ReadCase{"NanDataRefused", "1 nan\n", 2, {}, "Illegal file string '1 nan\n'\n"},
        ReadCase{"InfiniteTimeRefused", "inf 2\n", 2, {}, "Illegal file string 'inf 2\n'\n"},
        ReadCase{
            "InfiniteWeightRefused", "1 2 -inf\n", 2, {}, "Illegal file string '1 2 -inf\n'\n"}),
    [](const testing::TestParamInfo<ReadCase> &info) { return info.param.pszName; });

TEST(DataFileLimits, MissingFileCannotBeOpened) {
    const ReadResult result = FileRead("/nonexistent/folder/none.dat");
    EXPECT_EQ(result.iRc, 1);
    EXPECT_EQ(result.console, "Cannot open file '/nonexistent/folder/none.dat'\n");
}

TEST(DataFileLimits, RowsBeyondTheCapacityAreDroppedWithOneWarning) {
    std::string contents;
    for (int i = 0; i < kMaxPoints + 1; i++) {
        contents += std::to_string(i) + " " + std::to_string(2 * i) + "\n";
    }
    const std::string path = TempFileWrite(contents);
    const ReadResult result = FileRead(path);
    std::filesystem::remove(path);
    EXPECT_EQ(result.iRc, 0);
    ASSERT_EQ(result.rows.size(), static_cast<size_t>(kMaxPoints));
    EXPECT_EQ(result.rows.back(), (Row{kMaxPoints - 1, 2 * (kMaxPoints - 1), 1}));
    EXPECT_EQ(ConsoleLines(result.console).size(), 1u) << result.console;
    EXPECT_NE(result.console.find("10000"), std::string::npos) << result.console;
}

} // namespace
