#include "cli/report_row.h"

#include <filesystem>

namespace {

// path as seen from the folder of the page; as it is where it has no
// relative form (or the working folder cannot be known).
std::string LinkFrom(const std::string &reportPath, const std::string &path) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::absolute(path, error).lexically_normal();
    const std::filesystem::path folder =
        std::filesystem::absolute(reportPath, error).lexically_normal().parent_path();
    const std::filesystem::path relative = target.lexically_relative(folder);
    return error || relative.empty() ? path : relative.string();
}

} // namespace

ReportRow ReportRowOf(const FitRecord &record, int iPosition, int iNoParams,
                      const std::string &reportPath) {
    ReportRow row;
    row.iPosition = iPosition;
    row.file = record.file;
    row.iStatus = record.iStatus;
    row.message = record.message;
    row.iIterations = record.iIterations;
    row.dReducedChiSquare = record.dReducedChiSquare;
    if (record.adShown.size() >= static_cast<size_t>(iNoParams)) {
        row.adValues.assign(record.adShown.begin(), record.adShown.begin() + iNoParams);
        row.adErrors.assign(record.adShownErrors.begin(), record.adShownErrors.begin() + iNoParams);
        row.aiAtLimit = record.aiAtLimit;
    }
    row.thumbnailSvg = record.thumbnailSvg;
    if (!record.picturePath.empty()) {
        row.pictureLink = LinkFrom(reportPath, record.picturePath);
    }
    return row;
}
