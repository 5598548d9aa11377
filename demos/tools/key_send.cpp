// Finds a window by its title and sends it synthetic key events.
#include "demos/tools/key_send.h"

#include <cctype>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

struct DisplayClose {
    void operator()(Display *pDisplay) const { XCloseDisplay(pDisplay); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayClose>;

bool TitleIs(Display *pDisplay, Window window, const char *pszTitle) {
    char *pszName = nullptr;
    if (XFetchName(pDisplay, window, &pszName) == 0 || pszName == nullptr) {
        return false;
    }
    const bool bMatch = std::strcmp(pszName, pszTitle) == 0;
    XFree(pszName);
    return bMatch;
}

bool WindowViewable(Display *pDisplay, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(pDisplay, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

// Depth-first search below window; 0 when none matches.
Window WindowFind(Display *pDisplay, Window window, const char *pszTitle) {
    if (TitleIs(pDisplay, window, pszTitle) && WindowViewable(pDisplay, window)) {
        return window;
    }
    Window root = 0, parent = 0;
    Window *aChildren = nullptr;
    unsigned int iNoChildren = 0;
    if (XQueryTree(pDisplay, window, &root, &parent, &aChildren, &iNoChildren) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = 0; i < iNoChildren && found == 0; i++) {
        found = WindowFind(pDisplay, aChildren[i], pszTitle);
    }
    if (aChildren != nullptr) {
        XFree(aChildren);
    }
    return found;
}

void KeyEventSend(Display *pDisplay, Window window, KeyCode iKeyCode, unsigned int iState,
                  int iType) {
    XEvent event{};
    event.xkey.type = iType;
    event.xkey.display = pDisplay;
    event.xkey.window = window;
    event.xkey.root = DefaultRootWindow(pDisplay);
    event.xkey.subwindow = None;
    event.xkey.time = CurrentTime;
    event.xkey.x = event.xkey.y = 1;
    event.xkey.x_root = event.xkey.y_root = 1;
    event.xkey.same_screen = True;
    event.xkey.keycode = iKeyCode;
    event.xkey.state = iState;
    const long lMask = iType == KeyPress ? KeyPressMask : KeyReleaseMask;
    XSendEvent(pDisplay, window, True, lMask, &event);
}

} // namespace

int WindowKeysSend(const char *pszTitle, const char *const *apszKeys, int iNoKeys,
                   int iWaitSeconds) {
    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        return 1;
    }
    Display *pDisplay = display.get();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(iWaitSeconds);
    Window window = 0;
    while ((window = WindowFind(pDisplay, DefaultRootWindow(pDisplay), pszTitle)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            return 2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (int i = 0; i < iNoKeys; i++) {
        const KeySym keySym = XStringToKeysym(apszKeys[i]);
        const KeyCode iKeyCode = keySym == NoSymbol ? 0 : XKeysymToKeycode(pDisplay, keySym);
        if (iKeyCode == 0) {
            return 3;
        }
        // an upper-case letter is its key with Shift held
        const bool bShifted = std::strlen(apszKeys[i]) == 1 &&
                              std::isupper(static_cast<unsigned char>(apszKeys[i][0]));
        const unsigned int iState = bShifted ? ShiftMask : 0;
        KeyEventSend(pDisplay, window, iKeyCode, iState, KeyPress);
        KeyEventSend(pDisplay, window, iKeyCode, iState, KeyRelease);
    }
    XSync(pDisplay, False);
    return 0;
}
