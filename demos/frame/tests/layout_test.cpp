// Panel positions and sizes after a reshape of the main window.
#include <ostream>

#include <gtest/gtest.h>

#include "demos/frame/frame.h"

namespace {

struct Geometry {
    int iX, iY, iWidth, iHeight;
    bool operator==(const Geometry &) const = default;
};

void PrintTo(const Geometry &g, std::ostream *pStream) {
    *pStream << "(" << g.iX << ", " << g.iY << ") " << g.iWidth << " x " << g.iHeight;
}

struct LayoutCase {
    const char *pszName;
    int iWidth, iHeight;
    Geometry aExpected[kNoPanels];
};

// Shown as the case's name where a test reports its parameter.
void PrintTo(const LayoutCase &c, std::ostream *pStream) {
    *pStream << c.pszName;
}

// Fractions of the panels as the frame creates them for a 530-pixel window.
PanelWindow PanelAsCreated(int iPanel) {
    const float fInfoShare = 200.0f / 530;
    const PanelWindow aPanels[kNoPanels] = {
        {0.0f, 0.0f, 1 - fInfoShare, 0.7f, 0, 0, 0, 0, 0, {}},
        {0.0f, 0.7f, 1 - fInfoShare, 0.3f, 0, 0, 0, 0, 0, {}},
        {0.6f, 0.0f, fInfoShare, 1.0f, 0, 0, 0, 0, 0, {}},
    };
    return aPanels[iPanel];
}

class PanelLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(PanelLayout, InformationPanelKeepsItsWidthAtTheRightEdge) {
    const LayoutCase &c = GetParam();
    const char *apszPanels[kNoPanels] = {"curve", "residual", "information"};
    for (int iPanel = 0; iPanel < kNoPanels; iPanel++) {
        PanelWindow panel = PanelAsCreated(iPanel);
        PanelGeometryCompute(&panel, iPanel, c.iWidth, c.iHeight);
        EXPECT_EQ((Geometry{panel.iX, panel.iY, panel.iWidth, panel.iHeight}), c.aExpected[iPanel])
            << apszPanels[iPanel] << " panel";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PanelLayout,
    testing::Values(
        LayoutCase{
            "Start530x400", 530, 400, {{0, 0, 329, 279}, {0, 279, 329, 120}, {329, 0, 201, 400}}},
        LayoutCase{
            "Wide800x600", 800, 600, {{0, 0, 600, 419}, {0, 419, 600, 180}, {599, 0, 201, 600}}}),
    [](const testing::TestParamInfo<LayoutCase> &info) { return info.param.pszName; });

} // namespace
