// Thumbnails written as SVG text directly, with coordinates rounded to the
// pixel: a few kilobytes each, however many rows the file has.
#include "plots/fit_thumbnail.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "plots/fit_picture.h"

namespace {

constexpr int kStripHeight = 18;
constexpr int kGap = 3;
constexpr int kDataHeight = kThumbnailHeight - kStripHeight - kGap;
// Points of the curve drawn, evenly among those of its grid.
constexpr size_t kCurveDrawn = kThumbnailWidth / 2 + 1;

// The frame scaled down into the rectangle given.
PanelFrame Shrunk(const PanelFrame &frame, double dTop, double dHeight) {
    PanelFrame shrunk = frame;
    shrunk.dLeft = 0.0;
    shrunk.dTop = dTop;
    shrunk.dWidth = kThumbnailWidth;
    shrunk.dHeight = dHeight;
    return shrunk;
}

// A path command and its point rounded to the pixel (formatting doubles
// took most of a thumbnail's time).
void PointAppend(char cCommand, double dX, double dY, std::string *pPath) {
    *pPath += cCommand;
    *pPath += std::to_string(std::lround(dX));
    *pPath += ' ';
    *pPath += std::to_string(std::lround(dY));
}

// Round-capped vertical strokes, one per column that holds points: a
// column of one point shows as a dot.
std::string SpansPath(const std::vector<double> &adX, const std::vector<double> &adY,
                      const PanelFrame &frame) {
    std::string path;
    for (const ColumnSpan &span : PointColumnsBin(adX, adY, frame)) {
        const double dLow = frame.YMap(span.dYLow), dHigh = frame.YMap(span.dYHigh);
        if (std::isfinite(dLow) && std::isfinite(dHigh)) {
            PointAppend('M', frame.XMap(span.dX), dLow, &path);
            PointAppend('L', frame.XMap(span.dX), dHigh, &path);
        }
    }
    return path;
}

std::string CurvePath(const std::vector<double> &adX, const std::vector<double> &adY,
                      const PanelFrame &frame) {
    std::string path;
    bool bDrawing = false;
    const size_t iNoDrawn = std::min(adX.size(), kCurveDrawn);
    for (size_t k = 0; k < iNoDrawn; k++) {
        const size_t i = iNoDrawn > 1 ? k * (adX.size() - 1) / (iNoDrawn - 1) : 0;
        const double dX = frame.XMap(adX[i]), dY = frame.YMap(adY[i]);
        if (!std::isfinite(dX) || !std::isfinite(dY)) {
            bDrawing = false;
            continue;
        }
        PointAppend(bDrawing ? 'L' : 'M', dX, dY, &path);
        bDrawing = true;
    }
    return path;
}

std::string PathElement(const std::string &path, const char *pszColour, double dWidth) {
    char acAttributes[96];
    std::snprintf(acAttributes, sizeof acAttributes,
                  "\" fill=\"none\" stroke=\"%s\" stroke-width=\"%.1f\" stroke-linecap=\"round\"/>",
                  pszColour, dWidth);
    return path.empty() ? "" : "<path d=\"" + path + acAttributes;
}

} // namespace

std::string FitThumbnailSvg(const FitCurves &curves, bool bConverged) {
    if (curves.adX.empty()) {
        return "";
    }
    const PictureLayout layout = PictureLayoutMake(curves);
    const PanelFrame data = Shrunk(layout.data, 0.0, kDataHeight);
    const PanelFrame residuals = Shrunk(layout.residuals, kDataHeight + kGap, kStripHeight);
    char acHead[256];
    std::snprintf(acHead, sizeof acHead,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\">"
                  "<rect y=\"%d\" width=\"%d\" height=\"%d\" fill=\"#f2f2f2\"/>",
                  kThumbnailWidth, kThumbnailHeight, kDataHeight + kGap, kThumbnailWidth,
                  kStripHeight);
    std::string svg = acHead;
    svg += PathElement(SpansPath(curves.adX, curves.adY, data), "#333", 1.6);
    svg += PathElement(CurvePath(curves.adGridX, curves.adFit, data),
                       bConverged ? "#d62728" : "#ff7f0e", 1.4);
    svg += PathElement(SpansPath(curves.adResidualX, curves.adResidual, residuals), "#333", 1.4);
    return svg + "</svg>";
}
