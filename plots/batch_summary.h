// What the report says of a batch as a whole: files, fits that converged,
// the others counted by status, and percentiles of the reduced chi-square
// of the fits that converged. Keeps one number per file, never its data.
#ifndef VARO_PLOTS_BATCH_SUMMARY_H
#define VARO_PLOTS_BATCH_SUMMARY_H

#include <map>
#include <string>
#include <vector>

class BatchSummary {
  public:
    struct StatusCount {
        int iNoFiles = 0;
        std::string firstMessage; // of the first file of that status
    };

    // Counts one file: its status, its message and reduced chi-square (NaN
    // when not available).
    void FileAdd(int iStatus, const std::string &message, double dReducedChiSquare);

    int FileCount() const { return iNoFiles; }
    int ConvergedCount() const { return iNoConverged; }
    // The files of every status other than 0, by status.
    const std::map<int, StatusCount> &FailedByStatus() const { return failed; }
    // The number of fits that converged with a reduced chi-square.
    int ChiSquareCount() const { return static_cast<int>(adChiSquares.size()); }
    // The dP quantile (0 to 1) of those reduced chi-squares, interpolated
    // linearly between the order statistics at dP (n - 1); NaN when there
    // are none.
    double ChiSquarePercentile(double dP) const;

  private:
    int iNoFiles = 0;
    int iNoConverged = 0;
    std::map<int, StatusCount> failed;
    std::vector<double> adChiSquares;
};

#endif
