// Console output shared by both demo programs: banner, menu help, API errors
// and the clock the information panel reads.
#include <cstdio>
#include <ctime>

#include "demos/frame/demo_model.h"
#include "demos/frame/frame.h"

namespace {

constexpr const char *kpszDashRow =
    "----------------------------------------------------------------\n";
constexpr const char *kpszTitleRow =
    "|           Varo library: demonstration of the fitting API     |\n";
constexpr const char *apszBannerCommonRows[] = {
    "| that provide the minimum for the expression                  |\n",
    "|                _N_                                           |\n",
    "|                \\                                             |\n",
    "|           min(  |  ( W(i)*(F(i)-D(i) )^2 ) ,  i=1..M         |\n",
    "|                /__                                           |\n",
    "|                k=1                                           |\n",
    "| D,T,W(optional) are read from a file, N is a parameter ;     |\n",
    "|                 (c) the Varo project developers              |\n",
};

} // namespace

void BannerPrint() {
    std::fputs(kpszDashRow, stdout);
    std::fputs(kpszTitleRow, stdout);
    for (const char *pszRow : gDemoModel.apszBannerModelRows) {
        std::fputs(pszRow, stdout);
    }
    for (const char *pszRow : apszBannerCommonRows) {
        std::fputs(pszRow, stdout);
    }
    std::fputs(kpszDashRow, stdout);
}

void MenuHelpPrint() {
    std::printf("Menu (right mouse button in any part of the window):\n");
    std::printf("  Problem:");
    for (const char *pszEntry : gDemoModel.apszProblemEntries) {
        std::printf(" '%s'", pszEntry);
    }
    std::printf("\n  'Start fitting'\n  'Quit'\n");
    std::printf("Keys: 's' start fitting, 'm' this list, Esc quit\n");
}

void ApiErrorPrint(VaroHandle iHandle, int iRc) {
    std::printf("VARO API error, iRc=%d\n'%s'\n", iRc, VaroErrorStringGet(iHandle));
}

long ClockMillisecondsGet() {
    return static_cast<long>(static_cast<long long>(std::clock()) * 1000 / CLOCKS_PER_SEC);
}
