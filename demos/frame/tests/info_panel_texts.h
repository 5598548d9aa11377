// The information panel's texts as it should show them, for pixel-by-pixel
// comparison with what the panel draws.
#ifndef VARO_DEMOS_FRAME_TESTS_INFO_PANEL_TEXTS_H
#define VARO_DEMOS_FRAME_TESTS_INFO_PANEL_TEXTS_H

#include <string>
#include <vector>

#include "graph/tests/gl_test_support.h"

// One line of text at its position in panel pixels from the bottom left.
struct TextLine {
    float fX, fY;
    std::string text;
};

// Writes the lines into the current window as the information panel would
// (cleared to afColour, pixel frame, 9 x 15 font) and returns what it shows.
gltest::PixelBlock InfoPanelTextsShow(const float afColour[3], const std::vector<TextLine> &lines);

#endif
