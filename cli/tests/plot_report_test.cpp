// varo-fit's pictures and report page: one picture per file, named by its
// place, drawn without a display; a picture that cannot be written leaves
// the fit's record whole; a report that cannot be made stops the batch
// before it starts; and the page of a mixed batch in a headless browser,
// failed files first, sorted by reduced chi-square on asking, not blank.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <cairo.h>
#include <gtest/gtest.h>

#include "cli/tests/fit_program.h"

namespace {

namespace fs = std::filesystem;

std::string FileStart(const std::string &path, size_t iLength) {
    std::ifstream file(path, std::ios::binary);
    std::string start(iLength, '\0');
    file.read(start.data(), static_cast<std::streamsize>(iLength));
    return start.substr(0, static_cast<size_t>(file.gcount()));
}

// Sorted names of the files in folder.
std::vector<std::string> FolderNames(const std::string &folder) {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Pictures, OnePerFileNamedByItsPlaceWithoutADisplay) {
    const std::string folder = ScratchFolderMake("pictures");
    const std::string good = GeneratedFile(folder, "gauss", 31, {50, 480, 40});
    const std::string sigma =
        TextFileWrite(folder + "/sigma.csv", "x,y,s\n1,2.1,0.2\n2,3.9,0.2\n3,6.2,0.3\n4,7.9,0.2\n");
    for (const auto &[format, signature] :
         {std::pair<std::string, std::string>{"png", "\x89PNG\r\n"}, {"svg", "<?xml"}}) {
        const std::string plots = folder + "/" + format;
        const ProgramRun run = ProgramRunAll(
            "/usr/bin/env", {"-u", "DISPLAY", VARO_FIT_PROGRAM, "--model", "linear", "--plot",
                             plots, "--plot-format", format, good, sigma, folder + "/none.dat"});
        EXPECT_EQ(run.iStatus, 1) << run.err;
        EXPECT_EQ(run.err, "");
        const std::vector<std::string> expected = {"1-" + fs::path(good).filename().string() + "." +
                                                       format,
                                                   "2-sigma.csv." + format, "3-none.dat." + format};
        ASSERT_EQ(FolderNames(plots), expected);
        for (const std::string &name : expected) {
            EXPECT_EQ(FileStart(plots + "/" + name, signature.size()), signature) << name;
        }
    }
    fs::remove_all(folder);
}

TEST(Pictures, OneThatCannotBeWrittenLeavesTheRecordWhole) {
    const std::string folder = ScratchFolderMake("unwritable");
    fs::create_directories(folder + "/plots/1-ExpDemo.dat.png");
    const ProgramRun run = FitRun({"--model", "exp:2", "--format", "json", "--plot",
                                   folder + "/plots", SamplePath("ExpDemo.dat")});
    EXPECT_EQ(run.iStatus, 0);
    const nlohmann::json record = RecordOfOne(run);
    EXPECT_EQ(record["status"], 0);
    EXPECT_TRUE(record["Ampl1"].is_number());
    EXPECT_NE(run.err.find("cannot write the picture '" + folder + "/plots/1-ExpDemo.dat.png'"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Is a directory"), std::string::npos) << run.err;
    fs::remove_all(folder);
}

TEST(Report, OneThatCannotBeMadeStopsBeforeAnyFit) {
    const ProgramRun run = FitRun(
        {"--model", "exp:2", "--report", "/dev/null/report.html", SamplePath("ExpDemo.dat")});
    EXPECT_EQ(run.iStatus, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("cannot create the report '/dev/null/report.html'"), std::string::npos)
        << run.err;
}

// The browser: chromium from the PATH, or empty.
std::string ChromiumFind() {
    const char *pszPath = std::getenv("PATH");
    std::stringstream folders(pszPath != nullptr ? pszPath : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (fs::exists(folder + "/chromium")) {
            return folder + "/chromium";
        }
    }
    return "";
}

// Runs headless chromium, with a profile of its own, on url with the
// switches given; at most two minutes.
ProgramRun ChromiumRun(const std::string &chromium, const std::string &folder,
                       std::vector<std::string> switches, const std::string &url) {
    const std::string profile = folder + "/profile";
    fs::remove_all(profile);
    fs::create_directories(profile);
    std::vector<std::string> args = {"120",
                                     chromium,
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--disable-quic",
                                     "--no-first-run",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--user-data-dir=" + profile};
    args.insert(args.end(), switches.begin(), switches.end());
    args.push_back(url);
    return ProgramRunAll("timeout", args);
}

// A table row of the dumped page: its class and its cells' sort keys.
struct PageRow {
    std::string rowClass;
    std::vector<std::string> keys; // data-v of each cell, "-" where it has none
    std::string href;              // the first link, or empty
};

std::string AttributeGet(const std::string &html, const std::string &name) {
    const size_t iStart = html.find(name + "=\"");
    if (iStart == std::string::npos) {
        return "";
    }
    const size_t iValue = iStart + name.size() + 2;
    return html.substr(iValue, html.find('"', iValue) - iValue);
}

std::vector<PageRow> PageRows(const std::string &dom) {
    std::vector<PageRow> rows;
    const size_t iBody = dom.find("<tbody>", dom.find("id=\"fits\""));
    for (size_t iRow = dom.find("<tr", iBody);
         iBody != std::string::npos && iRow != std::string::npos;
         iRow = dom.find("<tr", iRow + 1)) {
        const std::string html = dom.substr(iRow, dom.find("</tr>", iRow) - iRow);
        PageRow row;
        row.rowClass = AttributeGet(html.substr(0, html.find('>')), "class");
        row.href = AttributeGet(html, "href");
        for (size_t iCell = html.find("<td"); iCell != std::string::npos;
             iCell = html.find("<td", iCell + 1)) {
            const std::string tag = html.substr(iCell, html.find('>', iCell) - iCell);
            row.keys.push_back(
                tag.find("data-v=") == std::string::npos ? "-" : AttributeGet(tag, "data-v"));
        }
        rows.push_back(row);
    }
    return rows;
}

constexpr size_t kPositionCell = 0;
constexpr size_t kChiSquareCell = 7;

// The part of the screenshot's pixels that are not white, and how many
// colours it has.
std::pair<double, size_t> ScreenshotInk(const std::string &path) {
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> image(
        cairo_image_surface_create_from_png(path.c_str()), cairo_surface_destroy);
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) {
        return {0.0, 0};
    }
    const int iWidth = cairo_image_surface_get_width(image.get());
    const int iHeight = cairo_image_surface_get_height(image.get());
    const unsigned char *pData = cairo_image_surface_get_data(image.get());
    std::set<uint32_t> colours;
    size_t iNoInked = 0;
    for (int y = 0; y < iHeight; y++) {
        for (int x = 0; x < iWidth; x++) {
            const uint32_t iPixel = *reinterpret_cast<const uint32_t *>(
                pData + y * cairo_image_surface_get_stride(image.get()) + 4 * x);
            colours.insert(iPixel & 0xFFFFFF);
            iNoInked += (iPixel & 0xFFFFFF) != 0xFFFFFF;
        }
    }
    return {static_cast<double>(iNoInked) / (iWidth * iHeight), colours.size()};
}

// 20 files: 17 single gaussians, one of two peaks (flagged: its reduced
// chi-square is far above 2), one missing and one with a cell that is not a
// number (both failed).
TEST(Report, MixedBatchInAHeadlessBrowser) {
    const std::string chromium = ChromiumFind();
    if (chromium.empty()) {
        GTEST_SKIP() << "chromium is not installed (Debian package chromium); the report page "
                        "is not opened in a browser";
    }
    const std::string folder = ScratchFolderMake("report");
    std::vector<std::string> files;
    for (int i = 1; i <= 20; i++) {
        if (i == 5) {
            files.push_back(GeneratedFile(folder, "gauss", i, {50, 400, 30, 40, 600, 30}));
        } else if (i == 9) {
            files.push_back(folder + "/missing.dat");
        } else if (i == 14) {
            files.push_back(TextFileWrite(folder + "/text.dat", "1 2\n2 three\n"));
        } else {
            files.push_back(GeneratedFile(folder, "gauss", i, {50, 480, 40.0 + i}));
        }
    }
    std::vector<std::string> args = {"--model",         "gauss:1",  "--plot",
                                     folder + "/plots", "--report", folder + "/report.html"};
    args.insert(args.end(), files.begin(), files.end());
    const ProgramRun fit = FitRun(args);
    ASSERT_EQ(fit.iStatus, 1) << fit.err;
    const std::string url = "file://" + folder + "/report.html";

    const ProgramRun dump = ChromiumRun(chromium, folder, {"--dump-dom"}, url);
    ASSERT_EQ(dump.iStatus, 0) << dump.err;
    const std::vector<PageRow> rows = PageRows(dump.out);
    ASSERT_EQ(rows.size(), files.size()) << dump.out.substr(0, 2000);
    std::vector<std::string> positions, classes;
    for (const PageRow &row : rows) {
        positions.push_back(row.keys[kPositionCell]);
        classes.push_back(row.rowClass);
        EXPECT_TRUE(fs::exists(folder + "/" + row.href))
            << "row " << row.keys[0] << ": " << row.href;
    }
    EXPECT_EQ(std::vector<std::string>(positions.begin(), positions.begin() + 3),
              (std::vector<std::string>{"9", "14", "5"}));
    EXPECT_EQ(std::vector<std::string>(classes.begin(), classes.begin() + 4),
              (std::vector<std::string>{"failed", "failed", "flagged", ""}));
    std::sort(positions.begin(), positions.end(), [](const std::string &a, const std::string &b) {
        return std::stoi(a) < std::stoi(b);
    });
    for (size_t i = 0; i < positions.size(); i++) {
        EXPECT_EQ(positions[i], std::to_string(i + 1));
    }

    const ProgramRun sorted =
        ChromiumRun(chromium, folder, {"--dump-dom"}, url + "#sort=reduced_chi_square");
    ASSERT_EQ(sorted.iStatus, 0) << sorted.err;
    std::vector<double> adChiSquares;
    bool bEmptySeen = false;
    for (const PageRow &row : PageRows(sorted.out)) {
        const std::string &key = row.keys[kChiSquareCell];
        if (key.empty()) {
            bEmptySeen = true;
            continue;
        }
        EXPECT_FALSE(bEmptySeen) << "a file without reduced chi-square sorted before " << key;
        adChiSquares.push_back(std::stod(key));
    }
    EXPECT_EQ(adChiSquares.size(), 18u);
    EXPECT_TRUE(std::is_sorted(adChiSquares.begin(), adChiSquares.end()));
    EXPECT_GT(adChiSquares.back(), 2.0);

    const std::string screenshot = folder + "/report.png";
    const ProgramRun shot = ChromiumRun(
        chromium, folder, {"--screenshot=" + screenshot, "--window-size=1280,900"}, url);
    ASSERT_EQ(shot.iStatus, 0) << shot.err;
    const auto [dInked, iNoColours] = ScreenshotInk(screenshot);
    EXPECT_GT(dInked, 0.02);
    EXPECT_GT(iNoColours, 16u);
    fs::remove_all(folder);
}

} // namespace
