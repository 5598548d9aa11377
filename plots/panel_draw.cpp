// Paths are gathered and filled or stroked once: one call for all the dots
// of a picture costs little more than one for a single dot.
#include "plots/panel_draw.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "plots/utf8_text.h"

namespace {

constexpr Colour kGridColour = {0.90, 0.90, 0.90};
constexpr Colour kFrameColour = {0.35, 0.35, 0.35};
constexpr Colour kLabelColour = {0.20, 0.20, 0.20};
constexpr double kLabelSize = 11.0;
constexpr const char *kEllipsis = "\xE2\x80\xA6";

void SourceSet(cairo_t *pCairo, const Colour &colour) {
    cairo_set_source_rgb(pCairo, colour.dRed, colour.dGreen, colour.dBlue);
}

double TextWidth(cairo_t *pCairo, const std::string &text) {
    cairo_text_extents_t extents;
    cairo_text_extents(pCairo, text.c_str(), &extents);
    return extents.x_advance;
}

// The longest start of text, cut at a character's start, that is narrower
// than dMaxWidth with an ellipsis after it.
std::string TextCut(cairo_t *pCairo, const std::string &text, double dMaxWidth) {
    size_t iKept = text.size();
    while (iKept > 0) {
        // A cut in proportion to the excess first, then a character at a time.
        const double dWidth = TextWidth(pCairo, text.substr(0, iKept) + kEllipsis);
        if (dWidth <= dMaxWidth) {
            break;
        }
        const size_t iGuess = static_cast<size_t>(iKept * dMaxWidth / dWidth);
        iKept = iGuess < iKept ? iGuess : iKept - 1;
        while (iKept > 0 && (static_cast<unsigned char>(text[iKept]) & 0xC0) == 0x80) {
            iKept--;
        }
    }
    return text.substr(0, iKept) + kEllipsis;
}

// Picture points within this distance of the line through their neighbours
// that are kept are left out: a tenth of a pixel.
constexpr double kPathTolerance = 0.1;
// The longest stretch of points one line may replace.
constexpr size_t kMaxLeftOut = 64;

struct PicturePoint {
    double dX, dY;
};

// Whether the points from iFirst to iLast all lie within kPathTolerance of
// the line from the first to the last.
bool StraightIs(const std::vector<PicturePoint> &points, size_t iFirst, size_t iLast) {
    const PicturePoint &a = points[iFirst];
    const PicturePoint &b = points[iLast];
    const double dDx = b.dX - a.dX, dDy = b.dY - a.dY;
    const double dLength = std::hypot(dDx, dDy);
    for (size_t i = iFirst + 1; i < iLast; i++) {
        const double dAcross =
            dLength > 0.0
                ? std::fabs((points[i].dX - a.dX) * dDy - (points[i].dY - a.dY) * dDx) / dLength
                : std::hypot(points[i].dX - a.dX, points[i].dY - a.dY);
        if (dAcross > kPathTolerance) {
            return false;
        }
    }
    return true;
}

// The points with those that a straight line through their neighbours
// draws as well left out.
std::vector<PicturePoint> PointsThinned(const std::vector<PicturePoint> &points) {
    if (points.size() < 3) {
        return points;
    }
    std::vector<PicturePoint> kept = {points[0]};
    size_t iAnchor = 0;
    for (size_t i = 2; i < points.size(); i++) {
        if (i - iAnchor > kMaxLeftOut || !StraightIs(points, iAnchor, i)) {
            iAnchor = i - 1;
            kept.push_back(points[iAnchor]);
        }
    }
    kept.push_back(points.back());
    return kept;
}

// The curve in picture coordinates, in runs of finite points, thinned.
std::vector<std::vector<PicturePoint>>
PictureRuns(const PanelFrame &frame, std::span<const double> adX, std::span<const double> adY) {
    std::vector<std::vector<PicturePoint>> runs;
    std::vector<PicturePoint> run;
    for (size_t i = 0; i <= std::min(adX.size(), adY.size()); i++) {
        const bool bEnd = i == std::min(adX.size(), adY.size());
        const PicturePoint point = {bEnd ? NAN : frame.XMap(adX[i]),
                                    bEnd ? NAN : frame.YMap(adY[i])};
        if (std::isfinite(point.dX) && std::isfinite(point.dY)) {
            run.push_back(point);
        } else if (!run.empty()) {
            runs.push_back(PointsThinned(run));
            run.clear();
        }
    }
    return runs;
}

// Filled dots in an image: one dot drawn into a mask, and the mask laid at
// every point, which costs a tenth of filling as many circles.
void DotsStamp(cairo_t *pCairo, const std::vector<PicturePoint> &points, double dRadius) {
    const int iSize = static_cast<int>(std::ceil(2.0 * dRadius)) + 2;
    cairo_surface_t *pDot = cairo_image_surface_create(CAIRO_FORMAT_A8, iSize, iSize);
    cairo_t *pDotCairo = cairo_create(pDot);
    cairo_arc(pDotCairo, 0.5 * iSize, 0.5 * iSize, dRadius, 0.0, 2.0 * M_PI);
    cairo_fill(pDotCairo);
    cairo_destroy(pDotCairo);
    for (const PicturePoint &point : points) {
        cairo_mask_surface(pCairo, pDot, point.dX - 0.5 * iSize, point.dY - 0.5 * iSize);
    }
    cairo_surface_destroy(pDot);
}

// Filled dots in a vector picture: strokes of no length with round caps, a
// tenth of the text of a circle's curves.
void DotsStroke(cairo_t *pCairo, const std::vector<PicturePoint> &points, double dRadius) {
    const double dLineWidth = cairo_get_line_width(pCairo);
    cairo_set_line_cap(pCairo, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(pCairo, 2.0 * dRadius);
    for (const PicturePoint &point : points) {
        cairo_move_to(pCairo, point.dX, point.dY);
        cairo_close_path(pCairo);
    }
    cairo_stroke(pCairo);
    cairo_set_line_cap(pCairo, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_width(pCairo, dLineWidth);
}

} // namespace

void TextDraw(cairo_t *pCairo, const std::string &rawText, double dX, double dY, TextAlign align,
              double dMaxWidth) {
    std::string text = Utf8Repaired(rawText);
    double dWidth = TextWidth(pCairo, text);
    if (dWidth > dMaxWidth) {
        text = TextCut(pCairo, text, dMaxWidth);
        dWidth = TextWidth(pCairo, text);
    }
    const double dShift = align == TextAlign::kLeft     ? 0.0
                          : align == TextAlign::kCentre ? 0.5 * dWidth
                                                        : dWidth;
    cairo_move_to(pCairo, dX - dShift, dY);
    cairo_show_text(pCairo, text.c_str());
}

void PanelDraw(cairo_t *pCairo, const PanelFrame &frame, bool bXLabels) {
    const double dRight = frame.dLeft + frame.dWidth;
    const double dBottom = frame.dTop + frame.dHeight;
    cairo_set_line_width(pCairo, 1.0);
    SourceSet(pCairo, kGridColour);
    for (const double dTick : frame.x.adTicks) {
        const double dX = std::round(frame.XMap(dTick)) + 0.5;
        cairo_move_to(pCairo, dX, frame.dTop);
        cairo_line_to(pCairo, dX, dBottom);
    }
    for (const double dTick : frame.y.adTicks) {
        const double dY = std::round(frame.YMap(dTick)) + 0.5;
        cairo_move_to(pCairo, frame.dLeft, dY);
        cairo_line_to(pCairo, dRight, dY);
    }
    cairo_stroke(pCairo);
    SourceSet(pCairo, kFrameColour);
    cairo_rectangle(pCairo, frame.dLeft + 0.5, frame.dTop + 0.5, frame.dWidth - 1,
                    frame.dHeight - 1);
    cairo_stroke(pCairo);
    SourceSet(pCairo, kLabelColour);
    cairo_set_font_size(pCairo, kLabelSize);
    for (const double dTick : frame.y.adTicks) {
        TextDraw(pCairo, TickLabel(dTick, frame.y.dTickStep), frame.dLeft - 6,
                 frame.YMap(dTick) + 0.35 * kLabelSize, TextAlign::kRight, frame.dLeft - 8);
    }
    for (const double dTick : frame.x.adTicks) {
        if (bXLabels) {
            TextDraw(pCairo, TickLabel(dTick, frame.x.dTickStep), frame.XMap(dTick),
                     dBottom + 1.4 * kLabelSize, TextAlign::kCentre, 100);
        }
    }
}

void PanelClip(cairo_t *pCairo, const PanelFrame &frame) {
    cairo_save(pCairo);
    cairo_rectangle(pCairo, frame.dLeft, frame.dTop, frame.dWidth, frame.dHeight);
    cairo_clip(pCairo);
}

void CurveStroke(cairo_t *pCairo, const PanelFrame &frame, std::span<const double> adX,
                 std::span<const double> adY) {
    for (const std::vector<PicturePoint> &run : PictureRuns(frame, adX, adY)) {
        for (const PicturePoint &point : run) {
            cairo_line_to(pCairo, point.dX, point.dY);
        }
        cairo_new_sub_path(pCairo);
    }
    cairo_stroke(pCairo);
}

void BandFill(cairo_t *pCairo, const PanelFrame &frame, std::span<const double> adX,
              std::span<const double> adLow, std::span<const double> adHigh) {
    // One polygon per run of points where both sides are finite: the upper
    // side forwards, the lower one back.
    std::vector<double> adBoth(adX.size());
    for (size_t i = 0; i < adX.size(); i++) {
        adBoth[i] = adLow[i] + adHigh[i];
    }
    std::vector<double> adRunX, adRunLow, adRunHigh;
    for (size_t i = 0; i <= adX.size(); i++) {
        if (i < adX.size() && std::isfinite(frame.YMap(adBoth[i]))) {
            adRunX.push_back(adX[i]);
            adRunLow.push_back(adLow[i]);
            adRunHigh.push_back(adHigh[i]);
            continue;
        }
        for (const std::vector<PicturePoint> &run : PictureRuns(frame, adRunX, adRunHigh)) {
            for (const PicturePoint &point : run) {
                cairo_line_to(pCairo, point.dX, point.dY);
            }
        }
        for (const std::vector<PicturePoint> &run : PictureRuns(frame, adRunX, adRunLow)) {
            for (auto point = run.rbegin(); point != run.rend(); ++point) {
                cairo_line_to(pCairo, point->dX, point->dY);
            }
        }
        cairo_close_path(pCairo);
        cairo_new_sub_path(pCairo);
        adRunX.clear();
        adRunLow.clear();
        adRunHigh.clear();
    }
    cairo_fill(pCairo);
}

void DotsDraw(cairo_t *pCairo, const PanelFrame &frame, std::span<const double> adX,
              std::span<const double> adY, std::span<const char> mask, char cMask, double dRadius,
              bool bFilled) {
    std::vector<PicturePoint> points;
    for (size_t i = 0; i < adX.size(); i++) {
        const PicturePoint point = {frame.XMap(adX[i]), frame.YMap(adY[i])};
        if ((mask.empty() || mask[i] == cMask) && std::isfinite(point.dX) &&
            std::isfinite(point.dY)) {
            points.push_back(point);
        }
    }
    const bool bImage =
        cairo_surface_get_type(cairo_get_target(pCairo)) == CAIRO_SURFACE_TYPE_IMAGE;
    if (bFilled && bImage) {
        DotsStamp(pCairo, points, dRadius);
    } else if (bFilled) {
        DotsStroke(pCairo, points, dRadius);
    } else {
        for (const PicturePoint &point : points) {
            cairo_new_sub_path(pCairo);
            cairo_arc(pCairo, point.dX, point.dY, dRadius, 0.0, 2.0 * M_PI);
        }
        cairo_stroke(pCairo);
    }
}

void SpansStroke(cairo_t *pCairo, const PanelFrame &frame, std::span<const ColumnSpan> spans) {
    for (const ColumnSpan &span : spans) {
        const double dX = frame.XMap(span.dX);
        const double dLow = frame.YMap(span.dYLow);
        const double dHigh = frame.YMap(span.dYHigh);
        if (std::isfinite(dX) && std::isfinite(dLow) && std::isfinite(dHigh)) {
            // A span of one value still shows as a dot a pixel high.
            cairo_move_to(pCairo, dX, dLow + 0.5);
            cairo_line_to(pCairo, dX, dHigh - 0.5);
        }
    }
    cairo_stroke(pCairo);
}
