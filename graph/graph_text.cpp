// Bitmap text of the graph widget: GraphPrintf, the tick labels, the title and
// the caption.
#include <GL/freeglut.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "graph/graph_internal.h"

namespace graph {
namespace {

constexpr int kTextBufferSize = 200; // GraphPrintf's text, terminator included
constexpr int kLabelBufferSize = 20; // one tick label, terminator included

void *const kLabelFont = GLUT_BITMAP_TIMES_ROMAN_10;
void *const kTitleFont = GLUT_BITMAP_9_BY_15;

// Skips "%%" escapes and ordinary characters from psz; returns the position of
// the next conversion's '%' or of the terminator.
const char *ConversionFind(const char *psz) {
    while (*psz != '\0') {
        if (psz[0] == '%' && psz[1] != '%') {
            return psz;
        }
        psz += (psz[0] == '%') ? 2 : 1;
    }
    return psz;
}

// Reads one conversion "%[flags][width][.precision][l]c" starting at its '%';
// returns the position after it, or null when it is not a floating conversion.
const char *FloatConversionSkip(const char *psz) {
    ++psz;
    psz += std::strspn(psz, "-+ #0");
    psz += std::strspn(psz, "0123456789");
    if (*psz == '.') {
        ++psz;
        psz += std::strspn(psz, "0123456789");
    }
    if (*psz == 'l') {
        ++psz;
    }
    if (*psz == '\0' || std::strchr("fFeEgGaA", *psz) == nullptr) {
        return nullptr;
    }
    return psz + 1;
}

// True when acFormat is a terminated printf format of exactly one floating
// conversion, so that it can safely be given one double.
bool LabelFormatIsValid(const char *acFormat, int iCapacity) {
    if (std::memchr(acFormat, '\0', static_cast<size_t>(iCapacity)) == nullptr) {
        return false;
    }
    const char *pszConversion = ConversionFind(acFormat);
    if (*pszConversion == '\0') {
        return false;
    }
    const char *pszRest = FloatConversionSkip(pszConversion);
    return pszRest != nullptr && *ConversionFind(pszRest) == '\0';
}

void LabelWrite(int iX, int iY, const char *pszFormat, float fValue) {
    char acAux[kLabelBufferSize];
    // snprintf cuts a longer label to 19 characters.
    std::snprintf(acAux, sizeof acAux, pszFormat, static_cast<double>(fValue));
    GraphPrintf(static_cast<float>(iX), static_cast<float>(iY), kLabelFont, "%s", acAux);
}

void XLabelsDraw(const Graph &graph, const PlotFrame &frame) {
    const AxisRange &range = frame.xRange;
    const float fPixelStep =
        static_cast<float>(frame.iWidth - graph.iMarginLeft - graph.iMarginRight) /
        static_cast<float>(graph.iXDivisions);
    const float fValueStep = (range.fMax - range.fMin) / static_cast<float>(graph.iXDivisions);
    for (int k = 0; k <= graph.iXDivisions; k += graph.iXLabelStep) {
        const float fValue = static_cast<float>(k) * fValueStep + range.fMin;
        const int iX = graph.iMarginLeft + static_cast<int>(static_cast<float>(k) * fPixelStep) - 5;
        LabelWrite(iX, graph.iMarginBottom - 12, graph.acXLabelFormat, fValue);
    }
}

void YLabelsDraw(const Graph &graph, const PlotFrame &frame) {
    const AxisRange &range = frame.yRange;
    const float fPixelStep =
        static_cast<float>(frame.iHeight - graph.iMarginBottom - graph.iMarginTop) /
        static_cast<float>(graph.iYDivisions);
    const float fValueStep = (range.fMax - range.fMin) / static_cast<float>(graph.iYDivisions);
    for (int k = 0; k <= graph.iYDivisions; k += graph.iYLabelStep) {
        const float fValue = static_cast<float>(k) * fValueStep + range.fMin;
        const int iY = static_cast<int>(static_cast<float>(k) * fPixelStep) + graph.iMarginBottom;
        LabelWrite(4, iY, graph.acYLabelFormat, fValue);
    }
}

// Writes a title field, which need not be terminated, as it stands.
void TitleWrite(const char *acTitle, int iCapacity, int iX, int iY) {
    const int iLength = static_cast<int>(strnlen(acTitle, static_cast<size_t>(iCapacity)));
    if (iLength > 0) {
        GraphPrintf(static_cast<float>(iX), static_cast<float>(iY), kTitleFont, "%.*s", iLength,
                    acTitle);
    }
}

} // namespace

bool GlutIsInitialised() {
    return glutGet(GLUT_INIT_STATE) != 0;
}

void TickLabelsDraw(const Graph &graph, const PlotFrame &frame) {
    glColor3fv(graph.afAxisColor);
    if (LabelFormatIsValid(graph.acXLabelFormat, sizeof graph.acXLabelFormat)) {
        XLabelsDraw(graph, frame);
    }
    if (LabelFormatIsValid(graph.acYLabelFormat, sizeof graph.acYLabelFormat)) {
        YLabelsDraw(graph, frame);
    }
}

void TitlesDraw(const Graph &graph, const PlotFrame &frame) {
    glColor3fv(graph.afAxisColor);
    TitleWrite(graph.acPlotTitle, sizeof graph.acPlotTitle, graph.iMarginLeft + 4,
               frame.iHeight - graph.iMarginTop + 4);
    TitleWrite(graph.acXTitle, sizeof graph.acXTitle, graph.iMarginLeft + 4, 4);
}

} // namespace graph

extern "C" void GraphPrintf(float fX, float fY, void *pFont, const char *pszFormat, ...) {
    if (pFont == nullptr || pszFormat == nullptr || !graph::GlutIsInitialised()) {
        return;
    }
    char acBuffer[graph::kTextBufferSize];
    va_list args;
    va_start(args, pszFormat);
    // vsnprintf cuts a longer text to 199 characters.
    const int iLength = std::vsnprintf(acBuffer, sizeof acBuffer, pszFormat, args);
    va_end(args);
    if (iLength < 0) {
        return;
    }
    glRasterPos2f(fX, fY);
    for (const char *pc = acBuffer; *pc != '\0'; ++pc) {
        glutBitmapCharacter(pFont, static_cast<unsigned char>(*pc));
    }
}
