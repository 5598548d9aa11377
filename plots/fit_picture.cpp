// The picture of one fit: layout, title, panels, legend and the surfaces
// that write PNG and SVG files.
#include "plots/fit_picture.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include <cairo-svg.h>
#include <cairo.h>

#include "plots/panel_draw.h"
#include "plots/png_file.h"

namespace {

constexpr double kLeft = 72.0;
constexpr double kRight = 20.0;
constexpr double kDataTop = 62.0;
constexpr double kDataHeight = 340.0;
constexpr double kResidualTop = 420.0;
constexpr double kResidualHeight = 130.0;

constexpr Colour kDataColour = {0.13, 0.13, 0.13};
constexpr Colour kIgnoredColour = {0.60, 0.60, 0.60};
constexpr Colour kErrorBarColour = {0.55, 0.55, 0.55};
constexpr Colour kFitColour = {0.84, 0.15, 0.16};
constexpr Colour kLastIterateColour = {1.00, 0.50, 0.05};
constexpr Colour kTermColour = {0.12, 0.47, 0.71};
constexpr Colour kBaselineColour = {0.17, 0.63, 0.17};
constexpr Colour kTitleColour = {0.10, 0.10, 0.10};
constexpr Colour kFailureColour = {0.75, 0.05, 0.05};
constexpr double kBandAlpha = 0.22;
constexpr double kLegendWidth = 170.0;
constexpr double kDashes[] = {6.0, 4.0};

using SurfacePointer = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using CairoPointer = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

void SourceSet(cairo_t *pCairo, const Colour &colour, double dAlpha = 1.0) {
    cairo_set_source_rgba(pCairo, colour.dRed, colour.dGreen, colour.dBlue, dAlpha);
}

// Widens [*pdLow, *pdHigh] to the finite values of adValues.
void RangeExtend(const std::vector<double> &adValues, double *pdLow, double *pdHigh) {
    for (const double dValue : adValues) {
        if (std::isfinite(dValue)) {
            *pdLow = std::min(*pdLow, dValue);
            *pdHigh = std::max(*pdHigh, dValue);
        }
    }
}

std::vector<double> Shifted(const std::vector<double> &adValues, const std::vector<double> &adBy,
                            double dSign) {
    std::vector<double> adShifted(adValues.size());
    for (size_t i = 0; i < adValues.size(); i++) {
        adShifted[i] = adValues[i] + dSign * adBy[i];
    }
    return adShifted;
}

// The y range of the data panel: the data with their error bars, widened to
// the curves by at most half the data's height on either side.
AxisScale DataScaleMake(const FitCurves &curves) {
    double dLow = HUGE_VAL, dHigh = -HUGE_VAL;
    if (curves.adSigma.empty()) {
        RangeExtend(curves.adY, &dLow, &dHigh);
    } else {
        RangeExtend(Shifted(curves.adY, curves.adSigma, -1.0), &dLow, &dHigh);
        RangeExtend(Shifted(curves.adY, curves.adSigma, 1.0), &dLow, &dHigh);
    }
    double dCurveLow = HUGE_VAL, dCurveHigh = -HUGE_VAL;
    RangeExtend(curves.adFit, &dCurveLow, &dCurveHigh);
    RangeExtend(curves.adBaseline, &dCurveLow, &dCurveHigh);
    for (const std::vector<double> &adTerm : curves.terms) {
        RangeExtend(adTerm, &dCurveLow, &dCurveHigh);
    }
    if (!curves.adBand.empty()) {
        RangeExtend(Shifted(curves.adFit, curves.adBand, -1.0), &dCurveLow, &dCurveHigh);
        RangeExtend(Shifted(curves.adFit, curves.adBand, 1.0), &dCurveLow, &dCurveHigh);
    }
    if (dLow > dHigh) {
        return AxisScaleMake(dCurveLow, dCurveHigh, 0.05, 6);
    }
    const double dReach = 0.5 * std::max(dHigh - dLow, 1e-300);
    return AxisScaleMake(std::max(std::min(dLow, dCurveLow), dLow - dReach),
                         std::min(std::max(dHigh, dCurveHigh), dHigh + dReach), 0.05, 6);
}

AxisScale ResidualScaleMake(const FitCurves &curves) {
    double dLargest = 0.0;
    for (const double dResidual : curves.adResidual) {
        if (std::isfinite(dResidual)) {
            dLargest = std::max(dLargest, std::fabs(dResidual));
        }
    }
    return AxisScaleMake(-dLargest, dLargest, 0.08, 4);
}

std::string NumberText(double dValue) {
    char acText[32];
    std::snprintf(acText, sizeof acText, "%.4g", dValue);
    return acText;
}

void TitleDraw(cairo_t *pCairo, const FitCaption &caption) {
    const double dWidth = kPictureWidth - 32.0;
    cairo_select_font_face(pCairo, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(pCairo, 15.0);
    SourceSet(pCairo, kTitleColour);
    TextDraw(pCairo, caption.name, 16.0, 24.0, TextAlign::kLeft, dWidth);
    cairo_select_font_face(pCairo, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(pCairo, 12.0);
    const std::string chiSquare =
        std::isfinite(caption.dReducedChiSquare)
            ? "reduced \xCF\x87\xC2\xB2 = " + NumberText(caption.dReducedChiSquare)
            : "";
    if (caption.iStatus == 0) {
        TextDraw(pCairo, "converged" + (chiSquare.empty() ? "" : ", " + chiSquare), 16.0, 44.0,
                 TextAlign::kLeft, dWidth);
        return;
    }
    SourceSet(pCairo, kFailureColour);
    TextDraw(pCairo,
             "status " + std::to_string(caption.iStatus) +
                 (chiSquare.empty() ? "" : ", " + chiSquare) + ": " + caption.message,
             16.0, 44.0, TextAlign::kLeft, dWidth);
}

// The data: dots (rings for rows that were not fitted) with their error
// bars, or spans per picture column when the rows are many.
void DataDraw(cairo_t *pCairo, const PanelFrame &frame, const FitCurves &curves) {
    const bool bDense = curves.adX.size() > static_cast<size_t>(kMaxDots);
    cairo_set_line_width(pCairo, 1.0);
    if (bDense) {
        for (const char cFitted : {0, 1}) {
            std::vector<double> adX, adY;
            for (size_t i = 0; i < curves.adX.size(); i++) {
                if (curves.abFitted[i] == cFitted) {
                    adX.push_back(curves.adX[i]);
                    adY.push_back(curves.adY[i]);
                }
            }
            SourceSet(pCairo, cFitted != 0 ? kDataColour : kIgnoredColour);
            SpansStroke(pCairo, frame, PointColumnsBin(adX, adY, frame));
        }
        return;
    }
    if (!curves.adSigma.empty()) {
        std::vector<ColumnSpan> bars;
        for (size_t i = 0; i < curves.adX.size(); i++) {
            bars.push_back({curves.adX[i], curves.adY[i] - curves.adSigma[i],
                            curves.adY[i] + curves.adSigma[i]});
        }
        SourceSet(pCairo, kErrorBarColour);
        SpansStroke(pCairo, frame, bars);
    }
    SourceSet(pCairo, kDataColour);
    DotsDraw(pCairo, frame, curves.adX, curves.adY, curves.abFitted, 1, 2.2, true);
    SourceSet(pCairo, kIgnoredColour);
    DotsDraw(pCairo, frame, curves.adX, curves.adY, curves.abFitted, 0, 2.2, false);
}

void CurvesDraw(cairo_t *pCairo, const PanelFrame &frame, const FitCurves &curves,
                bool bConverged) {
    if (!curves.adBand.empty()) {
        SourceSet(pCairo, kFitColour, kBandAlpha);
        BandFill(pCairo, frame, curves.adGridX, Shifted(curves.adFit, curves.adBand, -1.0),
                 Shifted(curves.adFit, curves.adBand, 1.0));
    }
    cairo_set_line_width(pCairo, 1.3);
    SourceSet(pCairo, kTermColour);
    for (const std::vector<double> &adTerm : curves.terms) {
        CurveStroke(pCairo, frame, curves.adGridX, adTerm);
    }
    cairo_set_dash(pCairo, kDashes, 2, 0.0);
    SourceSet(pCairo, kBaselineColour);
    CurveStroke(pCairo, frame, curves.adGridX, curves.adBaseline);
    if (bConverged) {
        cairo_set_dash(pCairo, nullptr, 0, 0.0);
    }
    cairo_set_line_width(pCairo, 2.0);
    SourceSet(pCairo, bConverged ? kFitColour : kLastIterateColour);
    CurveStroke(pCairo, frame, curves.adGridX, curves.adFit);
    cairo_set_dash(pCairo, nullptr, 0, 0.0);
}

// The top left corner of the legend: of the panel's four corners the one
// whose box covers the fewest rows and points of the fitted curve, the top
// right when they tie.
std::pair<double, double> LegendPlace(const PanelFrame &frame, const FitCurves &curves,
                                      double dHeight) {
    const double dInset = 2.0;
    const double dRight = frame.dLeft + frame.dWidth - kLegendWidth - dInset;
    const double dBottom = frame.dTop + frame.dHeight - dHeight - dInset;
    const std::pair<double, double> corners[] = {{dRight, frame.dTop + dInset},
                                                 {frame.dLeft + dInset, frame.dTop + dInset},
                                                 {dRight, dBottom},
                                                 {frame.dLeft + dInset, dBottom}};
    const auto Covered = [&](const std::pair<double, double> &corner,
                             const std::vector<double> &adX, const std::vector<double> &adY) {
        int iNoCovered = 0;
        for (size_t i = 0; i < std::min(adX.size(), adY.size()); i++) {
            const double dX = frame.XMap(adX[i]) - corner.first;
            const double dY = frame.YMap(adY[i]) - corner.second;
            iNoCovered += dX >= 0 && dX <= kLegendWidth && dY >= 0 && dY <= dHeight;
        }
        return iNoCovered;
    };
    std::pair<double, double> best = corners[0];
    int iLeast = -1;
    for (const auto &corner : corners) {
        const int iNoCovered =
            Covered(corner, curves.adX, curves.adY) + Covered(corner, curves.adGridX, curves.adFit);
        if (iLeast < 0 || iNoCovered < iLeast) {
            iLeast = iNoCovered;
            best = corner;
        }
    }
    return best;
}

// One line of the legend per kind of thing drawn, in the corner of the panel
// where it hides the least.
void LegendDraw(cairo_t *pCairo, const PanelFrame &frame, const FitCurves &curves,
                bool bConverged) {
    struct Entry {
        const char *pszLabel;
        Colour colour;
        int iMark; // 0 dot, 1 line, 2 dashed line, 3 box
    };
    std::vector<Entry> entries;
    if (!curves.adX.empty()) {
        entries.push_back({"data", kDataColour, 0});
    }
    if (!curves.adFit.empty()) {
        entries.push_back(bConverged ? Entry{"fit", kFitColour, 1}
                                     : Entry{"last iterate", kLastIterateColour, 2});
    }
    if (!curves.adBand.empty()) {
        entries.push_back({"95 % confidence band", kFitColour, 3});
    }
    if (!curves.terms.empty()) {
        entries.push_back({"terms", kTermColour, 1});
    }
    if (!curves.adBaseline.empty()) {
        entries.push_back({"baseline", kBaselineColour, 2});
    }
    const double dHeight = 18.0 * entries.size() + 6;
    const auto [dLeft, dTop] = LegendPlace(frame, curves, dHeight);
    const double dX = dLeft + 8;
    double dY = dTop + 4;
    cairo_set_source_rgba(pCairo, 1.0, 1.0, 1.0, 0.85);
    cairo_rectangle(pCairo, dLeft, dTop, kLegendWidth, dHeight);
    cairo_fill(pCairo);
    cairo_set_font_size(pCairo, 11.0);
    for (const Entry &entry : entries) {
        const double dMiddle = dY + 7.0;
        SourceSet(pCairo, entry.colour, entry.iMark == 3 ? kBandAlpha * 2 : 1.0);
        if (entry.iMark == 0) {
            cairo_arc(pCairo, dX + 11, dMiddle, 2.5, 0, 2 * M_PI);
            cairo_fill(pCairo);
        } else if (entry.iMark == 3) {
            cairo_rectangle(pCairo, dX, dMiddle - 5, 22, 10);
            cairo_fill(pCairo);
        } else {
            cairo_set_line_width(pCairo, 2.0);
            cairo_set_dash(pCairo, kDashes, entry.iMark == 2 ? 2 : 0, 0.0);
            cairo_move_to(pCairo, dX, dMiddle);
            cairo_line_to(pCairo, dX + 22, dMiddle);
            cairo_stroke(pCairo);
            cairo_set_dash(pCairo, nullptr, 0, 0.0);
        }
        SourceSet(pCairo, kTitleColour);
        TextDraw(pCairo, entry.pszLabel, dX + 30, dMiddle + 4, TextAlign::kLeft, 130);
        dY += 18.0;
    }
}

const char *ResidualLabel(ResidualScale scale) {
    switch (scale) {
    case ResidualScale::kSigma:
        return "(data \xE2\x88\x92 fit) / \xCF\x83";
    case ResidualScale::kWeighted:
        return "weight \xC3\x97 (data \xE2\x88\x92 fit)";
    default:
        return "data \xE2\x88\x92 fit";
    }
}

void ResidualsDraw(cairo_t *pCairo, const PanelFrame &frame, const FitCurves &curves) {
    PanelClip(pCairo, frame);
    cairo_set_line_width(pCairo, 1.0);
    SourceSet(pCairo, kFitColour);
    const double dZero = std::round(frame.YMap(0.0)) + 0.5;
    cairo_move_to(pCairo, frame.dLeft, dZero);
    cairo_line_to(pCairo, frame.dLeft + frame.dWidth, dZero);
    cairo_stroke(pCairo);
    SourceSet(pCairo, kDataColour);
    if (curves.adResidual.size() > static_cast<size_t>(kMaxDots)) {
        SpansStroke(pCairo, frame, PointColumnsBin(curves.adResidualX, curves.adResidual, frame));
    } else {
        DotsDraw(pCairo, frame, curves.adResidualX, curves.adResidual, {}, 0, 1.8, true);
    }
    cairo_restore(pCairo);
    cairo_set_font_size(pCairo, 11.0);
    SourceSet(pCairo, kTitleColour);
    TextDraw(pCairo, ResidualLabel(curves.residualScale), frame.dLeft + 6, frame.dTop - 5,
             TextAlign::kLeft, frame.dWidth);
}

void PictureDraw(cairo_t *pCairo, const FitCurves &curves, const FitCaption &caption) {
    cairo_set_source_rgb(pCairo, 1.0, 1.0, 1.0);
    cairo_paint(pCairo);
    cairo_select_font_face(pCairo, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    TitleDraw(pCairo, caption);
    const PictureLayout layout = PictureLayoutMake(curves);
    const bool bConverged = caption.iStatus == 0;
    PanelDraw(pCairo, layout.data, false);
    PanelClip(pCairo, layout.data);
    CurvesDraw(pCairo, layout.data, curves, bConverged);
    DataDraw(pCairo, layout.data, curves);
    cairo_restore(pCairo);
    if (curves.adX.empty()) {
        SourceSet(pCairo, kIgnoredColour);
        cairo_set_font_size(pCairo, 14.0);
        TextDraw(pCairo, "no data", layout.data.dLeft + 0.5 * layout.data.dWidth,
                 layout.data.dTop + 0.5 * layout.data.dHeight, TextAlign::kCentre, 200);
    }
    LegendDraw(pCairo, layout.data, curves, bConverged);
    PanelDraw(pCairo, layout.residuals, true);
    ResidualsDraw(pCairo, layout.residuals, curves);
}

std::string StatusText(cairo_status_t status, int iError) {
    std::string text = cairo_status_to_string(status);
    if (status == CAIRO_STATUS_WRITE_ERROR && iError != 0) {
        text += std::string(" (") + std::strerror(iError) + ")";
    }
    return text;
}

} // namespace

PictureLayout PictureLayoutMake(const FitCurves &curves) {
    PictureLayout layout;
    double dLow = HUGE_VAL, dHigh = -HUGE_VAL;
    RangeExtend(curves.adX, &dLow, &dHigh);
    const AxisScale x = AxisScaleMake(dLow, dHigh, 0.02, 8);
    const double dWidth = kPictureWidth - kLeft - kRight;
    layout.data = {kLeft, kDataTop, dWidth, kDataHeight, x, DataScaleMake(curves)};
    layout.residuals = {kLeft, kResidualTop, dWidth, kResidualHeight, x, ResidualScaleMake(curves)};
    return layout;
}

std::string FitPictureWrite(const FitCurves &curves, const FitCaption &caption,
                            PictureFormat format, const std::string &path) {
    errno = 0;
    SurfacePointer surface(
        format == PictureFormat::kSvg
            ? cairo_svg_surface_create(path.c_str(), kPictureWidth, kPictureHeight)
            : cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPictureWidth, kPictureHeight),
        cairo_surface_destroy);
    // The SVG surface opens the file as it is made.
    const int iOpenError = errno;
    if (format == PictureFormat::kSvg) {
        cairo_svg_surface_restrict_to_version(surface.get(), CAIRO_SVG_VERSION_1_1);
    }
    {
        const CairoPointer cairo(cairo_create(surface.get()), cairo_destroy);
        PictureDraw(cairo.get(), curves, caption);
        if (cairo_status(cairo.get()) != CAIRO_STATUS_SUCCESS) {
            return StatusText(cairo_status(cairo.get()), iOpenError);
        }
    }
    if (format == PictureFormat::kPng) {
        return PngFileWrite(surface.get(), path);
    }
    cairo_surface_finish(surface.get());
    const cairo_status_t status = cairo_surface_status(surface.get());
    return status == CAIRO_STATUS_SUCCESS ? "" : StatusText(status, errno);
}
