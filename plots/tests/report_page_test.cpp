// The report page: failed files first, then flagged fits, each in the order
// of the batch, with the flagged cells marked; markup in names and messages
// escaped and bytes that are not UTF-8 replaced; the percentiles of the
// summary.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "plots/batch_summary.h"
#include "plots/report_page.h"
#include "plots/utf8_text.h"

namespace {

ReportRow RowMake(int iPosition, int iStatus, double dChiSquare, double dValue, double dError,
                  int iAtLimit) {
    ReportRow row;
    row.iPosition = iPosition;
    row.file = "file" + std::to_string(iPosition) + ".csv";
    row.iStatus = iStatus;
    row.dReducedChiSquare = dChiSquare;
    row.adValues = {dValue, 3.0};
    row.adErrors = {dError, 0.1};
    row.aiAtLimit = {iAtLimit, 0};
    return row;
}

std::string PageWrite(const std::vector<ReportRow> &rows) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("varo_report_" + std::to_string(::getpid()) + ".html"))
                                 .string();
    ReportPage page(path, "test", {"A", "B"});
    EXPECT_TRUE(page.Begin()) << page.ErrorGet();
    for (const ReportRow &row : rows) {
        EXPECT_TRUE(page.RowAdd(row));
    }
    EXPECT_TRUE(page.End()) << page.ErrorGet();
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    std::filesystem::remove(path);
    return text.str();
}

TEST(ReportPage, FailedFirstThenFlaggedWithTheirCellsMarked) {
    const std::vector<ReportRow> rows = {
        RowMake(1, 0, 1.0, 10.0, 1.0, 0),  RowMake(2, 0, 2.5, 10.0, 1.0, 0),
        RowMake(3, -1, NAN, NAN, NAN, 0),  RowMake(4, 0, 1.1, 10.0, 6.0, 0),
        RowMake(5, 0, 0.9, 10.0, 1.0, 1),  RowMake(6, 9, 40.0, 10.0, NAN, 0),
        RowMake(7, 0, 0.3, -10.0, 1.0, 0), RowMake(8, 0, 1.9, 10.0, 4.9, 0)};
    const std::string page = PageWrite(rows);
    const std::regex rowPattern("<tr( class=\"(\\w+)\")?><td class=\"number\" data-v=\"(\\d+)\"");
    std::vector<int> aiOrder;
    std::vector<std::string> classes;
    for (auto match = std::sregex_iterator(page.begin(), page.end(), rowPattern);
         match != std::sregex_iterator(); ++match) {
        aiOrder.push_back(std::stoi((*match)[3]));
        classes.push_back((*match)[2]);
    }
    EXPECT_EQ(aiOrder, (std::vector<int>{3, 6, 2, 4, 5, 7, 1, 8}));
    EXPECT_EQ(classes, (std::vector<std::string>{"failed", "failed", "flagged", "flagged",
                                                 "flagged", "flagged", "", ""}));
    for (const char *pszCell :
         {"class=\"number flag-chi\" title=\"reduced chi-square outside 0.5 to 2\" "
          "data-v=\"2.5\"",
          "class=\"number flag-error\" title=\"relative error 60 %\" data-v=\"10\"",
          "class=\"number flag-limit\" title=\"on a limit\" data-v=\"10\"",
          "class=\"number flag-chi\" title=\"reduced chi-square outside 0.5 to 2\" "
          "data-v=\"0.29999999999999999\"",
          "<td class=\"flags\">reduced &chi;&sup2;</td>", "<td class=\"flags\">A error 60 %</td>",
          "<td class=\"flags\">A on a limit</td>", "<td class=\"flags\"></td>"}) {
        EXPECT_NE(page.find(pszCell), std::string::npos) << pszCell;
    }
    // Failed fits and those within the limits carry no flag.
    for (const char *pszCell : {"<td class=\"number\" data-v=\"40\">",
                                "<td class=\"number\" data-v=\"1.8999999999999999\">"}) {
        EXPECT_NE(page.find(pszCell), std::string::npos) << pszCell;
    }
}

TEST(ReportPage, MarkupAndBytesOfFilesAreEscaped) {
    ReportRow row = RowMake(1, -2, NAN, NAN, NAN, 0);
    row.file = "<script>alert(1)</script>&\"'.csv";
    row.message = "Cell 'x\xff' <b>is</b> not a number";
    row.pictureLink = "plots/1-a b#c?.png";
    const std::string page = PageWrite({row});
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;&amp;&quot;&#39;.csv"),
              std::string::npos);
    EXPECT_NE(page.find("Cell &#39;x\xEF\xBF\xBD&#39; &lt;b&gt;is&lt;/b&gt; not a number"),
              std::string::npos);
    EXPECT_NE(page.find("href=\"plots/1-a%20b%23c%3F.png\""), std::string::npos);
}

struct Utf8Case {
    const char *pszName;
    std::string raw;
    std::string repaired;
};

TEST(Utf8Repaired, KeepsValidSequencesAndReplacesTheRest) {
    const std::string r = "\xEF\xBF\xBD";
    const std::vector<Utf8Case> cases = {
        {"ascii", "abc 123", "abc 123"},
        {"two to four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
         "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"lone continuation", "a\x80z", "a" + r + "z"},
        {"overlong", "\xC0\xAF\xE0\x80\xAF", r + r + r + r + r},
        {"surrogate", "\xED\xA0\x80", r + r + r},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", r + r + r + r},
        {"cut short at the end", "ab\xE2\x82", "ab" + r + r},
        {"control characters", std::string("a\nb\0c\td", 7), "a b c\td"}};
    for (const Utf8Case &c : cases) {
        EXPECT_EQ(Utf8Repaired(c.raw), c.repaired) << c.pszName;
    }
}

TEST(BatchSummary, CountsAndPercentilesOfTheConvergedFits) {
    BatchSummary summary;
    EXPECT_TRUE(std::isnan(summary.ChiSquarePercentile(0.5)));
    for (const double dChi : {4.0, 1.0, 3.0, 2.0, double(NAN)}) {
        summary.FileAdd(0, "", dChi);
    }
    summary.FileAdd(9, "limit", 100.0);
    summary.FileAdd(-1, "first", NAN);
    summary.FileAdd(-1, "second", NAN);
    EXPECT_EQ(summary.FileCount(), 8);
    EXPECT_EQ(summary.ConvergedCount(), 5);
    EXPECT_EQ(summary.ChiSquareCount(), 4);
    EXPECT_EQ(summary.FailedByStatus().at(-1).iNoFiles, 2);
    EXPECT_EQ(summary.FailedByStatus().at(-1).firstMessage, "first");
    EXPECT_EQ(summary.FailedByStatus().at(9).iNoFiles, 1);
    for (const auto &[dP, dExpected] :
         {std::pair{0.0, 1.0}, {0.05, 1.15}, {0.5, 2.5}, {0.95, 3.85}, {1.0, 4.0}}) {
        EXPECT_DOUBLE_EQ(summary.ChiSquarePercentile(dP), dExpected) << dP;
    }
}

} // namespace
