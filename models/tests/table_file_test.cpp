// The table reader on the layouts labs write (header rows, comments, quoted
// fields, other separators), on every refusal with its message, and on the
// demos' files, which it must read exactly as the demos' reader does.
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "models/table_file.h"

namespace {

struct TableRun {
    int iRc;
    DataRows rows;
    std::string message;
};

std::string ScratchPath(const std::string &name) {
    return (std::filesystem::temp_directory_path() /
            ("varo_table_" + std::to_string(::getpid()) + "_" + name))
        .string();
}

TableRun TableReadText(const std::string &contents, const TableOptions &options,
                       int iCapacity = 100) {
    const std::string path = ScratchPath("table");
    std::ofstream(path, std::ios::binary) << contents;
    TableRun run{0, {}, ""};
    run.iRc = TableFileRead(path.c_str(), options, iCapacity, &run.rows, &run.message);
    std::filesystem::remove(path);
    return run;
}

TableOptions Columns(const std::string &x, const std::string &y, const std::string &sigma = "",
                     const std::string &weight = "") {
    TableOptions options;
    options.x = x;
    options.y = y;
    options.sigma = sigma;
    options.weight = weight;
    return options;
}

TableOptions WithRange(TableOptions options, double dLow, double dHigh) {
    options.range = {dLow, dHigh};
    return options;
}

TableOptions WithHeader(TableOptions options, int iHeader, char cDelimiter = 0) {
    options.iHeader = iHeader;
    options.cDelimiter = cDelimiter;
    return options;
}

struct ReadCase {
    const char *pszName;
    std::string contents;
    TableOptions options;
    std::vector<double> adX, adY, adWeight;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const ReadCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class TableLayouts : public testing::TestWithParam<ReadCase> {};

TEST_P(TableLayouts, GiveTheChosenColumns) {
    const ReadCase &c = GetParam();
    const TableRun run = TableReadText(c.contents, c.options);
    ASSERT_EQ(run.iRc, 0) << run.message;
    EXPECT_EQ(run.message, "");
    EXPECT_EQ(run.rows.adTime, c.adX);
    EXPECT_EQ(run.rows.adData, c.adY);
    EXPECT_EQ(run.rows.adWeight, c.adWeight);
    EXPECT_EQ(run.rows.bSigmaGiven, !c.options.sigma.empty());
    EXPECT_EQ(run.rows.iNoRowsIgnored, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TableLayouts,
    testing::Values(
        ReadCase{"HeaderCsvWithSigmaByName",
                 "wavelength_nm,intensity,sigma\n500,10.5,0.5\n501,12,2\n",
                 Columns("wavelength_nm", "intensity", "sigma"),
                 {500, 501},
                 {10.5, 12},
                 {2, 0.5}},
        ReadCase{"CommentedWhiteSpaceWithCrLf",
                 "# instrument X\r\n% operator: A\r\n\r\n  1.5   2e1\r\n \t\r\n"
                 "  # end of the first scan\r\n2.5\t\t-3 \r\n",
                 {},
                 {1.5, 2.5},
                 {20, -3},
                 {1, 1}},
        ReadCase{"DemoLayoutWeightsWhereGivenAfterAByteOrderMark",
                 "\xEF\xBB\xBF"
                 "100 1 0.5\n102 2\n104 3 4 junk\n",
                 {},
                 {100, 102, 104},
                 {1, 2, 3},
                 {0.5, 1, 4}},
        ReadCase{"QuotedNamesAndCellsOnSemicolons",
                 "\"time; s\";\"say \"\"hi\"\"\";\"signal\"\n\" 1\";\"a;b\";\"+2\"\n",
                 Columns("time; s", "signal"),
                 {1},
                 {2},
                 {1}},
        ReadCase{"QuotedLineBreakInATextColumn",
                 "x,note,y\n1,\"two\nlines, # not a comment\",5\n2,plain,6\n",
                 Columns("x", "y"),
                 {1, 2},
                 {5, 6},
                 {1, 1}},
        ReadCase{"TabsWithEmptyCellsAndColumnsByNumber",
                 "a\tb\tc\tw\n1\t\t10\t3\n2\t\t20\t4\n",
                 Columns("3", "1", "", "w"),
                 {10, 20},
                 {1, 2},
                 {3, 4}},
        ReadCase{"RangeKeepsTheWindowInclusive",
                 "1 5\n2 6\n3 7\n4 8\n",
                 WithRange({}, 2, 3),
                 {2, 3},
                 {6, 7},
                 {1, 1}},
        ReadCase{"ForcedHeaderOfNumbers", "0 0 0\n1 2 3\n", WithHeader({}, 1), {1}, {2}, {1}},
        ReadCase{"ForcedSemicolonWhereCommaWouldWin",
                 "x;y,z\n1;2\n",
                 WithHeader(Columns("x", "y,z"), -1, ';'),
                 {1},
                 {2},
                 {1}}),
    [](const testing::TestParamInfo<ReadCase> &info) { return info.param.pszName; });

struct RefusalCase {
    const char *pszName;
    std::string contents;
    TableOptions options;
    int iRc;
    std::string message;
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const RefusalCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

class TableRefusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(TableRefusals, SayWhatAndWhere) {
    const RefusalCase &c = GetParam();
    const TableRun run = TableReadText(c.contents, c.options);
    EXPECT_EQ(run.iRc, c.iRc);
    EXPECT_EQ(run.message, c.message);
    EXPECT_LE(run.message.size(), 200u);
}

const std::string kLongLine = std::string(3 << 20, '7');

INSTANTIATE_TEST_SUITE_P(
    Files, TableRefusals,
    testing::Values(
        RefusalCase{"LineOverOneMebibyte",
                    "1 2\n" + kLongLine,
                    {},
                    kTableLineTooLong,
                    "Line 2 is longer than 1 MiB: '" + std::string(40, '7') + "...'"},
        RefusalCase{"QuotedLineBreaksOverOneMebibyte",
                    "x,y\n1,\"" + std::string(700000, 'a') + "\n" + std::string(700000, 'b'),
                    {},
                    kTableLineTooLong,
                    "Line 2 is longer than 1 MiB with its quoted line breaks: '1,\"" +
                        std::string(37, 'a') + "...'"},
        RefusalCase{"EmptyFile", "", {}, kTableNoRows, "No data rows"},
        RefusalCase{"HeaderAndCommentsOnly", "# run 4\nx,y\n", {}, kTableNoRows, "No data rows"},
        RefusalCase{"NoRowInTheRange", "1 2\n3 4\n", WithRange({}, 1.5, 2.5), kTableNoRows,
                    "No data rows with x in [1.5, 2.5]"},
        RefusalCase{"TextCell",
                    "x,y\n1,2\n2,n/a\n",
                    {},
                    kTableCellRefused,
                    "Line 3: column 2 is not a number: '2,n/a'"},
        RefusalCase{"NumberWithTrailingText",
                    "1 2\n2 3e\n",
                    {},
                    kTableCellRefused,
                    "Line 2: column 2 is not a number: '2 3e'"},
        RefusalCase{"InfiniteCell",
                    "1 2\n2 inf\n",
                    {},
                    kTableCellRefused,
                    "Line 2: column 2 is not a number: '2 inf'"},
        RefusalCase{"ControlCharactersShownAsQuestionMarks",
                    "1 2\n2\x01 3\n",
                    {},
                    kTableCellRefused,
                    "Line 2: column 1 is not a number: '2? 3'"},
        RefusalCase{"ShortRow", "1 2\n3\n", {}, kTableCellRefused, "Line 2 has no column 2: '3'"},
        RefusalCase{"SigmaZero", "x,y,s\n1,2,0.5\n2,3,0\n", Columns("x", "y", "s"),
                    kTableSigmaNotPositive, "Line 3: sigma in column 3 is not positive: '2,3,0'"},
        RefusalCase{"SigmaNegative", "1 2 -1\n", Columns("1", "2", "3"), kTableSigmaNotPositive,
                    "Line 1: sigma in column 3 is not positive: '1 2 -1'"},
        RefusalCase{"NameNotInHeader", "x,y\n1,2\n", Columns("x", "flux"), kTableColumnMissing,
                    "No column 'flux' in the header: 'x,y'"},
        RefusalCase{"NumberBeyondTheFirstRow", "1 2\n", Columns("1", "4"), kTableColumnMissing,
                    "No column 4: line 1 has 2 columns: '1 2'"},
        RefusalCase{"NameWithoutHeader", "1 2\n", WithHeader(Columns("x", "2"), 0),
                    kTableColumnMissing, "No column 'x': the file has no header"}),
    [](const testing::TestParamInfo<RefusalCase> &info) { return info.param.pszName; });

TEST(TablePaths, FolderIsRefusedLikeAMissingFile) {
    const std::string folder = std::filesystem::temp_directory_path().string();
    for (const std::string &path : {folder, folder + "/no-such-file-here.dat"}) {
        DataRows rows;
        std::string message;
        EXPECT_EQ(TableFileRead(path.c_str(), {}, 10, &rows, &message), kTableNotOpened) << path;
        EXPECT_EQ(message, "Cannot open file '" + path + "'");
    }
}

// The demos' files, their capacity included, read as the demos' reader reads them.
TEST(TableDemoFiles, ReadAsTheDemosReadThem) {
    for (const char *pszName : {"GaussDemo.dat", "ExpDemo.dat"}) {
        const std::string path = std::string(VARO_DATA_DIR) + "/" + pszName;
        for (int iCapacity : {1000, 100}) {
            SCOPED_TRACE(std::string(pszName) + " " + std::to_string(iCapacity));
            DataRows demoRows, tableRows;
            std::string message;
            ASSERT_EQ(DataFileRowsRead(path.c_str(), iCapacity, &demoRows, &message), 0);
            ASSERT_EQ(TableFileRead(path.c_str(), {}, iCapacity, &tableRows, &message), 0)
                << message;
            EXPECT_EQ(tableRows.adTime, demoRows.adTime);
            EXPECT_EQ(tableRows.adData, demoRows.adData);
            EXPECT_EQ(tableRows.adWeight, demoRows.adWeight);
            EXPECT_EQ(tableRows.iNoRowsIgnored, demoRows.iNoRowsIgnored);
        }
    }
}

} // namespace
