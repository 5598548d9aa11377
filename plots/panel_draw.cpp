// Paths are gathered and filled or stroked once: one call for all the dots
// of a picture costs little more than one for a single dot.
#include "plots/panel_draw.h"

#include <cmath>

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
    bool bDrawing = false;
    for (size_t i = 0; i < adX.size(); i++) {
        const double dX = frame.XMap(adX[i]);
        const double dY = frame.YMap(adY[i]);
        if (!std::isfinite(dX) || !std::isfinite(dY)) {
            bDrawing = false;
        } else if (bDrawing) {
            cairo_line_to(pCairo, dX, dY);
        } else {
            cairo_move_to(pCairo, dX, dY);
            bDrawing = true;
        }
    }
    cairo_stroke(pCairo);
}

void BandFill(cairo_t *pCairo, const PanelFrame &frame, std::span<const double> adX,
              std::span<const double> adLow, std::span<const double> adHigh) {
    // One polygon per run of points where both sides are finite.
    size_t iStart = 0;
    while (iStart < adX.size()) {
        const auto Finite = [&](size_t i) {
            return std::isfinite(frame.YMap(adLow[i])) && std::isfinite(frame.YMap(adHigh[i]));
        };
        while (iStart < adX.size() && !Finite(iStart)) {
            iStart++;
        }
        size_t iEnd = iStart;
        while (iEnd < adX.size() && Finite(iEnd)) {
            iEnd++;
        }
        for (size_t i = iStart; i < iEnd; i++) {
            cairo_line_to(pCairo, frame.XMap(adX[i]), frame.YMap(adHigh[i]));
        }
        for (size_t i = iEnd; i-- > iStart;) {
            cairo_line_to(pCairo, frame.XMap(adX[i]), frame.YMap(adLow[i]));
        }
        cairo_close_path(pCairo);
        cairo_new_sub_path(pCairo);
        iStart = iEnd;
    }
    cairo_fill(pCairo);
}

void DotsDraw(cairo_t *pCairo, const PanelFrame &frame, std::span<const double> adX,
              std::span<const double> adY, std::span<const char> mask, char cMask, double dRadius,
              bool bFilled) {
    for (size_t i = 0; i < adX.size(); i++) {
        const double dX = frame.XMap(adX[i]);
        const double dY = frame.YMap(adY[i]);
        if ((!mask.empty() && mask[i] != cMask) || !std::isfinite(dX) || !std::isfinite(dY)) {
            continue;
        }
        cairo_new_sub_path(pCairo);
        cairo_arc(pCairo, dX, dY, dRadius, 0.0, 2.0 * M_PI);
    }
    if (bFilled) {
        cairo_fill(pCairo);
    } else {
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
