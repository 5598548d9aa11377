// Drawing on a cairo context: panels with their grid and tick labels, text
// that is cut to a width, curves broken where they are not finite, markers
// and spans of points. Coordinates are picture units (pixels of a PNG,
// points of an SVG).
#ifndef VARO_PLOTS_PANEL_DRAW_H
#define VARO_PLOTS_PANEL_DRAW_H

#include <span>
#include <string>

#include <cairo.h>

#include "plots/plot_scale.h"

struct Colour {
    double dRed, dGreen, dBlue;
};

enum class TextAlign { kLeft, kCentre, kRight };

// Draws text (made valid UTF-8) with its baseline at dY, aligned at dX, in
// the current font; cut and ended with an ellipsis where wider than dMaxWidth.
void TextDraw(cairo_t *pCairo, const std::string &text, double dX, double dY, TextAlign align,
              double dMaxWidth);

// The panel's grid at the ticks, its frame, and the labels of the y ticks on
// its left; those of the x ticks below it when bXLabels.
void PanelDraw(cairo_t *pCairo, const PanelFrame &frame, bool bXLabels);

// Restricts drawing to the panel until the matching cairo_restore.
void PanelClip(cairo_t *pCairo, const PanelFrame &frame);

// Strokes the curve through (adX[i], adY[i]) as far as both go (not at all
// when adY is empty), broken at points that are not finite, with the current
// source and line width.
void CurveStroke(cairo_t *pCairo, const PanelFrame &frame, std::span<const double> adX,
                 std::span<const double> adY);

// Fills the area between two curves over the same x, as far as both are
// finite, with the current source.
void BandFill(cairo_t *pCairo, const PanelFrame &frame, std::span<const double> adX,
              std::span<const double> adLow, std::span<const double> adHigh);

// Points as dots of radius dRadius, filled, or as rings when not bFilled;
// only those with mask[i] equal to cMask (all when mask is empty).
void DotsDraw(cairo_t *pCairo, const PanelFrame &frame, std::span<const double> adX,
              std::span<const double> adY, std::span<const char> mask, char cMask, double dRadius,
              bool bFilled);

// Vertical strokes from (adX, adYLow) to (adX, adYHigh): error bars, or the
// spans of points binned by column.
void SpansStroke(cairo_t *pCairo, const PanelFrame &frame, std::span<const ColumnSpan> spans);

#endif
