// Sends key presses to an X window found by its title:
// how the demo script and the end-to-end tests drive a demo program under a
// virtual X server.
#ifndef VARO_DEMOS_TOOLS_KEY_SEND_H
#define VARO_DEMOS_TOOLS_KEY_SEND_H

// Waits up to iWaitSeconds for a viewable window titled pszTitle on the display of $DISPLAY, then
// sends each key of apszKeys (a key name such as "s", "S" or "Escape"; an upper-case letter is sent
// with Shift) as a press and a release. Returns 0,
// 1 when the display cannot be opened, 2 when no such window appeared, 3 for
// an unknown key name.
int WindowKeysSend(const char *pszTitle, const char *const *apszKeys, int iNoKeys,
                   int iWaitSeconds);

#endif
