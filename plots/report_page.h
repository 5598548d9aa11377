// The report of a batch: one self-contained HTML page (style and script
// inline, nothing fetched) with a summary, an explanation of the flags, and
// a table of one row per file that sorts by any column and filters by a
// text. Failed files come first, then the fits with a flag, then the rest,
// each in the order of the batch. The flags of a fit that converged: a
// reduced chi-square outside 0.5 to 2, a parameter on one of its limits, a
// relative error above 50 %; their cells are highlighted and a column names
// them.
//
// Rows are written to temporary files as they come and joined into the page
// at the end, so that a batch of any size holds one number per file in
// memory, not its rows.
//
// In the page, a fragment #sort=KEY (or #sort=KEY,desc) sorts the table by
// the column KEY (position, file, status, message, iterations,
// reduced_chi_square, flags or a parameter's name) once it has loaded, for
// tests and links.
#ifndef VARO_PLOTS_REPORT_PAGE_H
#define VARO_PLOTS_REPORT_PAGE_H

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "plots/batch_summary.h"

// The reduced chi-squares and the relative error that are flagged.
constexpr double kChiSquareLow = 0.5;
constexpr double kChiSquareHigh = 2.0;
constexpr double kRelativeErrorHigh = 0.5;

// One file as its row shows it.
struct ReportRow {
    int iPosition = 0; // 1-based place in the batch
    std::string file;
    int iStatus = 0;
    std::string message;
    int iIterations = 0;
    double dReducedChiSquare = 0.0; // NaN when not available
    // The parameters' values and standard errors (NaN when not available),
    // and 1 for each on a limit; all empty for a file not fitted.
    std::vector<double> adValues, adErrors;
    std::vector<int> aiAtLimit;
    std::string thumbnailSvg; // an <svg> element; empty: none
    std::string pictureLink;  // the full picture, relative to the page; empty: none
};

class ReportPage {
  public:
    // The page at path, its heading and the names of the model's parameters.
    ReportPage(std::string path, std::string heading, std::vector<std::string> paramNames);
    ~ReportPage();
    ReportPage(const ReportPage &) = delete;
    ReportPage &operator=(const ReportPage &) = delete;

    // Creates the page's file and the temporary files of the rows; false
    // when one of them cannot be made (ErrorGet says why).
    bool Begin();
    // Adds one file's row; false once a write failed.
    bool RowAdd(const ReportRow &row);
    // Writes the page; false when it could not be written.
    bool End();
    const std::string &ErrorGet() const { return error; }

  private:
    struct FileCloser {
        void operator()(std::FILE *pFile) const { std::fclose(pFile); }
    };
    using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

    bool Fail(const std::string &what, int iError);
    std::string TableHeadHtml() const;

    std::string path;
    std::string heading;
    std::vector<std::string> paramNames;
    BatchSummary summary;
    FilePointer page;
    // The rows of failed files, of flagged fits and of the others.
    std::array<FilePointer, 3> groups;
    std::string error;
};

#endif
