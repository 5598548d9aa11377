// Test main for windowed tests: GLUT is initialised once, before any test.
#include "graph/tests/gl_test_support.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstdlib>

// Last: the X headers define macros (None, Bool) that clash with gtest's names.
#include <GL/glx.h>
#include <X11/Xutil.h>

namespace gltest {
namespace {

void NothingDisplay() {}

// An X error while reading pixels fails the test instead of ending the program.
int XErrorIgnore(Display *, XErrorEvent *) {
    return 0;
}

int LibraryPin(dl_phdr_info *pInfo, size_t, void *) {
    if (pInfo->dlpi_name != nullptr && pInfo->dlpi_name[0] != '\0') {
        dlopen(pInfo->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
    return 0;
}

// The GL driver is loaded with the first window and unloaded when the display
// closes, before the leak check at exit; its allocations could then not be
// attributed to it (nor suppressed, see gl_leaks.supp). Pinning every loaded
// library keeps them known.
void GlLibrariesPin() {
    const int iWindow = glutCreateWindow("probe");
    glutDisplayFunc(NothingDisplay);
    WindowEventsProcess();
    dl_iterate_phdr(LibraryPin, nullptr);
    glutDestroyWindow(iWindow);
    WindowEventsProcess();
}

} // namespace

// The GL front buffer of an X window is not readable with every driver, so
// the shown pixels are taken from the X server itself.
PixelBlock PixelBlock::ShownWindowRead() {
    PixelBlock block;
    block.iWidth_ = glutGet(GLUT_WINDOW_WIDTH);
    block.iHeight_ = glutGet(GLUT_WINDOW_HEIGHT);
    block.acPixels_.assign(static_cast<size_t>(block.iWidth_) * block.iHeight_ * 3, 0);
    glFinish();
    Display *pDisplay = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    XSync(pDisplay, False);
    const XErrorHandler previousHandler = XSetErrorHandler(XErrorIgnore);
    XImage *pImage = XGetImage(pDisplay, window, 0, 0, static_cast<unsigned>(block.iWidth_),
                               static_cast<unsigned>(block.iHeight_), AllPlanes, ZPixmap);
    XSync(pDisplay, False);
    XSetErrorHandler(previousHandler);
    if (pImage == nullptr) {
        ADD_FAILURE() << "the window's pixels cannot be read from the X server (is the whole "
                         "window on the screen?)";
        return block;
    }
    for (int iY = 0; iY < block.iHeight_; ++iY) {
        for (int iX = 0; iX < block.iWidth_; ++iX) {
            // X rows run from the top, GL rows from the bottom.
            const unsigned long lPixel = XGetPixel(pImage, iX, block.iHeight_ - 1 - iY);
            const size_t i = (static_cast<size_t>(iY) * block.iWidth_ + iX) * 3;
            block.acPixels_[i] = static_cast<std::uint8_t>((lPixel & pImage->red_mask) >> 16);
            block.acPixels_[i + 1] = static_cast<std::uint8_t>((lPixel & pImage->green_mask) >> 8);
            block.acPixels_[i + 2] = static_cast<std::uint8_t>(lPixel & pImage->blue_mask);
        }
    }
    XDestroyImage(pImage);
    return block;
}

PixelBlock PixelBlock::CurrentWindowRead() {
    PixelBlock block;
    block.iWidth_ = glutGet(GLUT_WINDOW_WIDTH);
    block.iHeight_ = glutGet(GLUT_WINDOW_HEIGHT);
    block.acPixels_.resize(static_cast<size_t>(block.iWidth_) * block.iHeight_ * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, block.iWidth_, block.iHeight_, GL_RGB, GL_UNSIGNED_BYTE,
                 block.acPixels_.data());
    return block;
}

Rgb PixelBlock::At(int iX, int iY) const {
    if (iX < 0 || iY < 0 || iX >= iWidth_ || iY >= iHeight_) {
        ADD_FAILURE() << "pixel (" << iX << ", " << iY << ") outside " << iWidth_ << " x "
                      << iHeight_;
        return kBlack;
    }
    const size_t i = (static_cast<size_t>(iY) * iWidth_ + iX) * 3;
    return {acPixels_[i], acPixels_[i + 1], acPixels_[i + 2]};
}

int PixelBlock::Count(Rgb colour, Area area) const {
    int iCount = 0;
    for (int iY = area.iY0; iY < area.iY1; ++iY) {
        for (int iX = area.iX0; iX < area.iX1; ++iX) {
            iCount += (At(iX, iY) == colour) ? 1 : 0;
        }
    }
    return iCount;
}

int PixelBlock::CountOther(Rgb colour, Area area) const {
    return (area.iX1 - area.iX0) * (area.iY1 - area.iY0) - Count(colour, area);
}

int PixelBlock::DifferingFrom(const PixelBlock &other) const {
    if (other.iWidth_ != iWidth_ || other.iHeight_ != iHeight_) {
        return iWidth_ * iHeight_ + 1;
    }
    int iDiffering = 0;
    for (int iY = 0; iY < iHeight_; ++iY) {
        for (int iX = 0; iX < iWidth_; ++iX) {
            iDiffering += (At(iX, iY) == other.At(iX, iY)) ? 0 : 1;
        }
    }
    return iDiffering;
}

int PixelBlock::LowestRowWith(Rgb colour, Area area) const {
    for (int iY = area.iY0; iY < area.iY1; ++iY) {
        if (Count(colour, {area.iX0, iY, area.iX1, iY + 1}) > 0) {
            return iY;
        }
    }
    return -1;
}

int PixelBlock::HighestRowWith(Rgb colour, Area area) const {
    for (int iY = area.iY1 - 1; iY >= area.iY0; --iY) {
        if (Count(colour, {area.iX0, iY, area.iX1, iY + 1}) > 0) {
            return iY;
        }
    }
    return -1;
}

TestWindow::TestWindow(int iWidth, int iHeight) {
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(iWidth, iHeight);
    iWindow_ = glutCreateWindow("test");
    glutDisplayFunc(NothingDisplay);
    WindowEventsProcess();
    Clear();
}

TestWindow::~TestWindow() {
    glutDestroyWindow(iWindow_);
    WindowEventsProcess();
}

void TestWindow::MakeCurrent() const {
    glutSetWindow(iWindow_);
}

void TestWindow::Clear() const {
    MakeCurrent();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void WindowEventsProcess() {
    glFinish();
    for (int i = 0; i < 5; ++i) {
        glutMainLoopEvent();
    }
}

} // namespace gltest

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as the build does to register them) needs no display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "No X display: run the windowed tests under xvfb-run\n");
        return 1;
    }
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
    // Closing a window must not end the test program.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    gltest::GlLibrariesPin();
    return RUN_ALL_TESTS();
}
