// Support for tests that draw into real GLUT windows and read the pixels back.
#ifndef VARO_GRAPH_TESTS_GL_TEST_SUPPORT_H
#define VARO_GRAPH_TESTS_GL_TEST_SUPPORT_H

#include <cstdint>
#include <vector>

namespace gltest {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb &) const = default;
};

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kCyan{0, 255, 255};

// Pixel rectangle [iX0, iX1) x [iY0, iY1), in window pixels from the bottom left.
struct Area {
    int iX0, iY0, iX1, iY1;
};

// The pixels of one window's back or front buffer.
class PixelBlock {
  public:
    // Reads the whole back buffer of the current window (drawn, not swapped).
    static PixelBlock CurrentWindowRead();
    // Reads what the current window shows on the screen (after a swap); the
    // window must be mapped and a 24-bit TrueColor one.
    static PixelBlock ShownWindowRead();

    int Width() const { return iWidth_; }
    int Height() const { return iHeight_; }
    Rgb At(int iX, int iY) const;
    int Count(Rgb colour, Area area) const;
    int CountAll(Rgb colour) const { return Count(colour, {0, 0, iWidth_, iHeight_}); }
    int CountOther(Rgb colour, Area area) const; // pixels in area not of this colour
    // Pixels that differ from other's; all of them and one more when the sizes differ.
    int DifferingFrom(const PixelBlock &other) const;
    // Rows of area (bottom to top) holding at least one pixel of the colour, or
    // -1 when none does.
    int LowestRowWith(Rgb colour, Area area) const;
    int HighestRowWith(Rgb colour, Area area) const;

  private:
    int iWidth_ = 0;
    int iHeight_ = 0;
    std::vector<std::uint8_t> acPixels_;
};

// A top-level double-buffered RGB window of the given size, current and
// cleared to black once shown; destroyed with the object.
class TestWindow {
  public:
    TestWindow(int iWidth, int iHeight);
    ~TestWindow();
    TestWindow(const TestWindow &) = delete;
    TestWindow &operator=(const TestWindow &) = delete;

    int Id() const { return iWindow_; }
    void MakeCurrent() const;
    void Clear() const;

  private:
    int iWindow_;
};

// Lets GLUT handle pending window events (mapping, sizes).
void WindowEventsProcess();

} // namespace gltest

#endif
