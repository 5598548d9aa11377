// The report page, written in three steps: rows into temporary files, one
// per group, as they come; then the head, the summary and the flags; then
// the groups in order, and the script.
#include "plots/report_page.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "plots/report_assets.h"
#include "plots/utf8_text.h"

namespace {

enum RowGroup { kFailed, kFlagged, kOthers };

// Text as HTML: valid UTF-8, the characters of markup escaped.
std::string HtmlText(const std::string &raw) {
    std::string html;
    for (const char c : Utf8Repaired(raw)) {
        switch (c) {
        case '&':
            html += "&amp;";
            break;
        case '<':
            html += "&lt;";
            break;
        case '>':
            html += "&gt;";
            break;
        case '"':
            html += "&quot;";
            break;
        case '\'':
            html += "&#39;";
            break;
        default:
            html += c;
        }
    }
    return html;
}

// A relative path as a URL: every byte but letters, digits, "-._~/"
// percent-encoded.
std::string UrlPath(const std::string &path) {
    static const char acHex[] = "0123456789ABCDEF";
    std::string url;
    for (const char c : path) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool bAlphanumeric =
            (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
        if (bAlphanumeric || (u != 0 && std::strchr("-._~/", c) != nullptr)) {
            url += c;
        } else {
            url += '%';
            url += acHex[u >> 4];
            url += acHex[u & 15];
        }
    }
    return url;
}

std::string Number(double dValue, const char *pszFormat) {
    if (!std::isfinite(dValue)) {
        return "";
    }
    char acText[40];
    std::snprintf(acText, sizeof acText, pszFormat, dValue);
    return acText;
}

// A cell sorted by the number dKey (empty when not finite).
std::string NumberCell(double dKey, const std::string &text, const std::string &extraClass = "",
                       const std::string &title = "") {
    return "<td class=\"number" + (extraClass.empty() ? "" : " " + extraClass) + "\"" +
           (title.empty() ? "" : " title=\"" + HtmlText(title) + "\"") + " data-v=\"" +
           Number(dKey, "%.17g") + "\">" + text + "</td>";
}

bool ChiSquareFlagged(const ReportRow &row) {
    return row.iStatus == 0 && std::isfinite(row.dReducedChiSquare) &&
           (row.dReducedChiSquare < kChiSquareLow || row.dReducedChiSquare > kChiSquareHigh);
}

bool AtLimit(const ReportRow &row, size_t i) {
    return i < row.aiAtLimit.size() && row.aiAtLimit[i] != 0;
}

bool ErrorFlagged(const ReportRow &row, size_t i) {
    return std::isfinite(row.adErrors[i]) &&
           std::fabs(row.adErrors[i]) > kRelativeErrorHigh * std::fabs(row.adValues[i]);
}

// A parameter's cell: value ± error, flagged when on a limit or uncertain.
std::string ParamCell(const ReportRow &row, size_t i) {
    if (i >= row.adValues.size()) {
        return NumberCell(NAN, "");
    }
    const bool bLimit = row.iStatus == 0 && AtLimit(row, i);
    const bool bError = row.iStatus == 0 && ErrorFlagged(row, i);
    const std::string text =
        Number(row.adValues[i], "%.6g") +
        (std::isfinite(row.adErrors[i]) ? " &plusmn; " + Number(row.adErrors[i], "%.2g") : "");
    const std::string title =
        std::string(bLimit ? "on a limit" : "") + (bLimit && bError ? "; " : "") +
        (bError ? "relative error " +
                      Number(100.0 * std::fabs(row.adErrors[i] / row.adValues[i]), "%.0f") + " %"
                : "");
    return NumberCell(row.adValues[i], text,
                      bLimit   ? "flag-limit"
                      : bError ? "flag-error"
                               : "",
                      title);
}

// What is flagged in a fit that converged, one item per flag: "reduced
// chi-square", "NAME on a limit", "NAME error 73 %"; empty when nothing is.
std::string FlagsText(const ReportRow &row, const std::vector<std::string> &paramNames) {
    std::string text = row.iStatus == 0 && ChiSquareFlagged(row) ? "reduced &chi;&sup2;" : "";
    for (size_t i = 0; i < row.adValues.size() && row.iStatus == 0; i++) {
        const std::string name = i < paramNames.size() ? HtmlText(paramNames[i]) : "";
        if (AtLimit(row, i)) {
            text += (text.empty() ? "" : "; ") + name + " on a limit";
        }
        if (ErrorFlagged(row, i)) {
            text += (text.empty() ? "" : "; ") + name + " error " +
                    Number(100.0 * std::fabs(row.adErrors[i] / row.adValues[i]), "%.0f") + " %";
        }
    }
    return text;
}

RowGroup GroupOf(const ReportRow &row, const std::string &flags) {
    return row.iStatus != 0 ? kFailed : flags.empty() ? kOthers : kFlagged;
}

std::string RowHtml(const ReportRow &row, RowGroup group, const std::string &flags,
                    size_t iNoParams) {
    const char *apszClasses[] = {" class=\"failed\"", " class=\"flagged\"", ""};
    std::string html = "<tr" + std::string(apszClasses[group]) + ">";
    html += NumberCell(row.iPosition, std::to_string(row.iPosition));
    const std::string name = HtmlText(row.file);
    html += "<td title=\"" + name + "\">" +
            (row.pictureLink.empty()
                 ? name
                 : "<a href=\"" + UrlPath(row.pictureLink) + "\">" + name + "</a>") +
            "</td>";
    html += "<td>" +
            (row.pictureLink.empty() || row.thumbnailSvg.empty()
                 ? row.thumbnailSvg
                 : "<a href=\"" + UrlPath(row.pictureLink) + "\">" + row.thumbnailSvg + "</a>") +
            "</td>";
    html += NumberCell(row.iStatus, std::to_string(row.iStatus), "status");
    html += "<td class=\"flags\">" + flags + "</td>";
    html += "<td class=\"message\">" + HtmlText(row.message) + "</td>";
    html += NumberCell(row.iIterations, std::to_string(row.iIterations));
    html += NumberCell(row.dReducedChiSquare, Number(row.dReducedChiSquare, "%.4g"),
                       ChiSquareFlagged(row) ? "flag-chi" : "",
                       ChiSquareFlagged(row) ? "reduced chi-square outside 0.5 to 2" : "");
    for (size_t i = 0; i < iNoParams; i++) {
        html += ParamCell(row, i);
    }
    return html + "</tr>\n";
}

std::string SummaryHtml(const BatchSummary &summary) {
    std::string html = "<table class=\"summary\">";
    html += "<tr><td>files</td><td>" + std::to_string(summary.FileCount()) + "</td></tr>";
    html += "<tr><td>converged</td><td>" + std::to_string(summary.ConvergedCount()) + "</td></tr>";
    for (const auto &[iStatus, count] : summary.FailedByStatus()) {
        html += "<tr><td>status " + std::to_string(iStatus) + "</td><td>" +
                std::to_string(count.iNoFiles) + (count.iNoFiles == 1 ? " file" : " files") +
                (count.firstMessage.empty() ? "" : ", such as: " + HtmlText(count.firstMessage)) +
                "</td></tr>";
    }
    html += "<tr><td>reduced &chi;&sup2;</td><td>";
    if (summary.ChiSquareCount() == 0) {
        html += "no fit converged with degrees of freedom";
    } else {
        html += "median " + Number(summary.ChiSquarePercentile(0.5), "%.4g") + ", 5th percentile " +
                Number(summary.ChiSquarePercentile(0.05), "%.4g") + ", 95th percentile " +
                Number(summary.ChiSquarePercentile(0.95), "%.4g") + " (of " +
                std::to_string(summary.ChiSquareCount()) + " fits that converged)";
    }
    return html + "</td></tr></table>\n";
}

const char *const kFlagsHtml =
    "<ul class=\"flags\">\n"
    "<li><span class=\"swatch\" style=\"background:#fde0e0\">&nbsp;</span>Failed: the file was "
    "not fitted or the fit did not converge; the message says why, the plot shows the last "
    "iterate.</li>\n"
    "<li><span class=\"swatch flag-chi\">&nbsp;</span>Reduced &chi;&sup2; outside 0.5 to 2: the "
    "residuals are larger (a model that misses the data, or sigmas too small) or smaller (sigmas "
    "too large) than the sigmas say.</li>\n"
    "<li><span class=\"swatch flag-limit\">&nbsp;</span>A parameter on a limit: the fit would "
    "have moved it further, so its value is the limit, not an estimate.</li>\n"
    "<li><span class=\"swatch flag-error\">&nbsp;</span>A relative error above 50 %: the data "
    "hardly determine the parameter (a term too small, too few points, or parameters that "
    "trade off).</li>\n"
    "</ul>\n";

} // namespace

ReportPage::ReportPage(std::string path, std::string heading, std::vector<std::string> paramNames)
    : path(std::move(path)), heading(std::move(heading)), paramNames(std::move(paramNames)) {}

ReportPage::~ReportPage() = default;

bool ReportPage::Fail(const std::string &what, int iError) {
    if (error.empty()) {
        error = what + ": " + std::strerror(iError != 0 ? iError : EIO);
    }
    return false;
}

bool ReportPage::Begin() {
    page.reset(std::fopen(path.c_str(), "w"));
    if (!page) {
        return Fail("cannot create the report '" + path + "'", errno);
    }
    for (FilePointer &group : groups) {
        group.reset(std::tmpfile());
        if (!group) {
            return Fail("cannot create a temporary file for the report", errno);
        }
    }
    return true;
}

bool ReportPage::RowAdd(const ReportRow &row) {
    summary.FileAdd(row.iStatus, row.message, row.dReducedChiSquare);
    if (!error.empty()) {
        return false;
    }
    const std::string flags = FlagsText(row, paramNames);
    const RowGroup group = GroupOf(row, flags);
    const std::string html = RowHtml(row, group, flags, paramNames.size());
    if (std::fputs(html.c_str(), groups[group].get()) < 0) {
        return Fail("cannot write the report's rows to a temporary file", errno);
    }
    return true;
}

std::string ReportPage::TableHeadHtml() const {
    std::string html = "<thead><tr><th data-key=\"position\">#</th><th data-key=\"file\">file</th>"
                       "<th data-key=\"plot\">plot</th><th data-key=\"status\">status</th>"
                       "<th data-key=\"flags\">flags</th>"
                       "<th data-key=\"message\">message</th>"
                       "<th data-key=\"iterations\">iterations</th>"
                       "<th data-key=\"reduced_chi_square\">reduced &chi;&sup2;</th>";
    for (const std::string &name : paramNames) {
        html += "<th data-key=\"" + HtmlText(name) + "\">" + HtmlText(name) + "</th>";
    }
    return html + "</tr></thead>\n";
}

bool ReportPage::End() {
    if (!error.empty()) {
        return false;
    }
    std::FILE *pPage = page.get();
    std::fprintf(pPage,
                 "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                 "<title>%s</title>\n<style>%s</style>\n</head>\n<body>\n<h1>%s</h1>\n",
                 HtmlText(heading).c_str(), kReportStyle, HtmlText(heading).c_str());
    std::fputs(SummaryHtml(summary).c_str(), pPage);
    std::fputs(kFlagsHtml, pPage);
    std::fputs("<input id=\"filter\" type=\"search\" placeholder=\"Show rows holding...\">\n"
               "<table id=\"fits\">\n",
               pPage);
    std::fputs(TableHeadHtml().c_str(), pPage);
    std::fputs("<tbody>\n", pPage);
    char acBuffer[1 << 16];
    for (const FilePointer &group : groups) {
        std::rewind(group.get());
        size_t iRead = 0;
        while ((iRead = std::fread(acBuffer, 1, sizeof acBuffer, group.get())) > 0) {
            std::fwrite(acBuffer, 1, iRead, pPage);
        }
        if (std::ferror(group.get()) != 0) {
            return Fail("cannot read the report's rows back", errno);
        }
    }
    std::fprintf(pPage, "</tbody>\n</table>\n<script>%s</script>\n</body>\n</html>\n",
                 kReportScript);
    const bool bWritten = std::ferror(pPage) == 0;
    const int iError = errno;
    if (std::fclose(page.release()) != 0 || !bWritten) {
        return Fail("cannot write the report '" + path + "'", bWritten ? errno : iError);
    }
    return true;
}
