// Pictures read back: a PNG of the expected size with the data and the
// residuals drawn where they are and nothing where there is none; a failed
// fit with a message that is not UTF-8 and a last iterate that overflows
// still draws its data; an SVG parses as XML; a picture that cannot be
// written says why.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

#include <cairo.h>
#include <expat.h>
#include <gtest/gtest.h>

#include "plots/fit_picture.h"
#include "plots/tests/plot_fits.h"

namespace {

using SurfacePointer = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

std::string ScratchPath(const std::string &name) {
    return (std::filesystem::temp_directory_path() /
            ("varo_plots_" + std::to_string(::getpid()) + "_" + name))
        .string();
}

SurfacePointer PngRead(const std::string &path) {
    return SurfacePointer(cairo_image_surface_create_from_png(path.c_str()), cairo_surface_destroy);
}

// The darkest channel of the pixels within a pixel of the point: 0 black,
// 255 white.
int DarkestNear(cairo_surface_t *pImage, double dX, double dY) {
    const unsigned char *pData = cairo_image_surface_get_data(pImage);
    const int iStride = cairo_image_surface_get_stride(pImage);
    int iDarkest = 255;
    for (int y = static_cast<int>(dY) - 1; y <= static_cast<int>(dY) + 1; y++) {
        for (int x = static_cast<int>(dX) - 1; x <= static_cast<int>(dX) + 1; x++) {
            const uint32_t iPixel =
                *reinterpret_cast<const uint32_t *>(pData + y * iStride + 4 * x);
            for (const int iShift : {0, 8, 16}) {
                iDarkest = std::min(iDarkest, static_cast<int>((iPixel >> iShift) & 0xFF));
            }
        }
    }
    return iDarkest;
}

const FitCaption kCaption = {"peak.csv", 0, "", 1.0};

// A gaussian with sigmas: rows 0, 17, 34, ... are sampled; the fit and the
// band lie on the data, so a point of the panel above the peak's wings is
// empty.
TEST(FitPicture, PngShowsDataAndResidualsWhereTheyAre) {
    const PlotFit fit = PlotFitRun(
        "gauss:1", [](double dX) { return 50 * std::exp(-0.5 * std::pow((dX - 40) / 6, 2)); }, 0,
        100, 101, 2.0);
    ASSERT_EQ(fit.outcome.iStatus, 0) << fit.outcome.message;
    const FitCurves curves = FitCurvesCompute(fit.model, fit.rows, fit.outcome, true);
    const std::string path = ScratchPath("peak.png");
    ASSERT_EQ(FitPictureWrite(curves, kCaption, PictureFormat::kPng, path), "");
    const SurfacePointer image = PngRead(path);
    ASSERT_EQ(cairo_surface_status(image.get()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(image.get()), kPictureWidth);
    EXPECT_EQ(cairo_image_surface_get_height(image.get()), kPictureHeight);
    const PictureLayout layout = PictureLayoutMake(curves);
    for (size_t i = 0; i < curves.adX.size(); i += 17) {
        EXPECT_LT(DarkestNear(image.get(), layout.data.XMap(curves.adX[i]),
                              layout.data.YMap(curves.adY[i])),
                  80)
            << "data row " << i;
        EXPECT_LT(DarkestNear(image.get(), layout.residuals.XMap(curves.adResidualX[i]),
                              layout.residuals.YMap(curves.adResidual[i])),
                  80)
            << "residual of row " << i;
    }
    // Above the wings, far from the data, the fit and the legend.
    EXPECT_GT(DarkestNear(image.get(), layout.data.XMap(5.3), layout.data.YMap(33.0)), 200);
    EXPECT_GT(DarkestNear(image.get(), layout.data.XMap(93.3), layout.data.YMap(17.0)), 200);
    std::filesystem::remove(path);
}

// A message quoting bytes of a file that are not UTF-8, and the last iterate
// of a fit that failed overflowing: the drawing library must not be left in
// an error state that blanks the rest of the picture.
TEST(FitPicture, ABadMessageAndOverflowingCurvesStillLeaveTheDataDrawn) {
    FitCurves curves;
    for (int i = 0; i < 50; i++) {
        curves.adX.push_back(i);
        curves.adY.push_back(std::sin(0.3 * i));
        curves.abFitted.push_back(1);
        curves.adResidualX.push_back(i);
        curves.adResidual.push_back(i % 3 == 0 ? 1e300 : i % 3 == 1 ? NAN : -0.5);
    }
    for (int i = 0; i < 800; i++) {
        curves.adGridX.push_back(49.0 * i / 799);
        curves.adFit.push_back(i % 4 == 0 ? HUGE_VAL : i % 4 == 1 ? NAN : 1e300 * (i % 7 - 3));
    }
    const std::string path = ScratchPath("overflow.png");
    const FitCaption caption = {"diverged.dat", 9, "Iteration limit reached \xff\xfe", NAN};
    ASSERT_EQ(FitPictureWrite(curves, caption, PictureFormat::kPng, path), "");
    const SurfacePointer image = PngRead(path);
    ASSERT_EQ(cairo_surface_status(image.get()), CAIRO_STATUS_SUCCESS);
    const PictureLayout layout = PictureLayoutMake(curves);
    for (size_t i = 0; i < curves.adX.size(); i += 7) {
        EXPECT_LT(DarkestNear(image.get(), layout.data.XMap(curves.adX[i]),
                              layout.data.YMap(curves.adY[i])),
                  80)
            << "data row " << i;
    }
    std::filesystem::remove(path);
}

struct XmlCheck {
    std::string root;
    std::string width;
    int iNoElements = 0;
};

void XMLCALL ElementStart(void *pData, const XML_Char *pszName, const XML_Char **apszAttributes) {
    XmlCheck *pCheck = static_cast<XmlCheck *>(pData);
    if (pCheck->iNoElements++ == 0) {
        pCheck->root = pszName;
        for (int i = 0; apszAttributes[i] != nullptr; i += 2) {
            if (std::string(apszAttributes[i]) == "width") {
                pCheck->width = apszAttributes[i + 1];
            }
        }
    }
}

TEST(FitPicture, SvgParsesAsXml) {
    const PlotFit fit = PlotFitRun(
        "exp:1+const", [](double dX) { return 30 * std::exp(-0.4 * dX) + 2; }, 0, 12, 200, 0.3);
    FitCurves curves = FitCurvesCompute(fit.model, fit.rows, fit.outcome, true);
    const std::string path = ScratchPath("decay.svg");
    const FitCaption caption = {"<decay> & \"rest\"", fit.outcome.iStatus, "", 1.0};
    ASSERT_EQ(FitPictureWrite(curves, caption, PictureFormat::kSvg, path), "");
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    XmlCheck check;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &check);
    XML_SetStartElementHandler(parser, ElementStart);
    const bool bParsed = XML_Parse(parser, text.str().data(), static_cast<int>(text.str().size()),
                                   XML_TRUE) == XML_STATUS_OK;
    EXPECT_TRUE(bParsed) << XML_ErrorString(XML_GetErrorCode(parser)) << " at line "
                         << XML_GetCurrentLineNumber(parser);
    XML_ParserFree(parser);
    EXPECT_EQ(check.root, "svg");
    EXPECT_EQ(check.width, std::to_string(kPictureWidth) + "pt");
    EXPECT_GT(check.iNoElements, 20);
    std::filesystem::remove(path);
}

TEST(FitPicture, AFileThatCannotBeWrittenSaysWhy) {
    const std::string folder = ScratchPath("taken");
    std::filesystem::create_directories(folder + "/picture.png");
    std::filesystem::create_directories(folder + "/picture.svg");
    for (const auto &[format, name] : {std::pair{PictureFormat::kPng, "picture.png"},
                                       std::pair{PictureFormat::kSvg, "picture.svg"}}) {
        const std::string error =
            FitPictureWrite(FitCurves(), kCaption, format, folder + "/" + name);
        EXPECT_NE(error.find("directory"), std::string::npos) << name << ": " << error;
    }
    std::filesystem::remove_all(folder);
}

} // namespace
