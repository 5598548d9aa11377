// VaroKeySend <window title> <key>...: sends keys to a demo window, e.g.
//   VaroKeySend "Brenvik VARO demo: multigaussian fit. File: GaussDemo.dat" s
// Exit status: that of WindowKeysSend (0 sent).
#include <cstdio>

#include "demos/tools/key_send.h"

namespace {

constexpr int kWaitSeconds = 30;

} // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: VaroKeySend <window title> <key name>...\n");
        return 4;
    }
    const int iRc = WindowKeysSend(argv[1], argv + 2, argc - 2, kWaitSeconds);
    if (iRc != 0) {
        std::fprintf(stderr, "VaroKeySend: keys not sent (code %d)\n", iRc);
    }
    return iRc;
}
