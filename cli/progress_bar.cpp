// The progress line: "[#####.....]  123/1000  45.6 files/s  0:19 left".
#include "cli/progress_bar.h"

#include <unistd.h>

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string DurationText(double dSeconds) {
    const long iSeconds = static_cast<long>(dSeconds + 0.5);
    char acText[32];
    std::snprintf(acText, sizeof acText, "%ld:%02ld", iSeconds / 60, iSeconds % 60);
    return acText;
}

} // namespace

ProgressBar::ProgressBar(std::FILE *pStream, int iNoFiles, bool bShown)
    : pStream(pStream), iNoFiles(iNoFiles), bShown(bShown), start(Clock::now()),
      lastDrawn(start - kRedrawInterval) {}

bool ProgressBar::ShownIs(int iProgressFd, int iRecordFd) {
    return isatty(iProgressFd) != 0 && isatty(iRecordFd) == 0;
}

void ProgressBar::Update(int iNoDoneNow) {
    iNoDone = iNoDoneNow;
    if (bShown && Clock::now() - lastDrawn >= kRedrawInterval) {
        Draw(iNoDone);
    }
}

void ProgressBar::LineWrite(const std::string &line) {
    // On a terminal the progress line is cleared first and drawn again below.
    std::fprintf(pStream, "%s%s\n", bShown ? "\r\033[K" : "", line.c_str());
    if (bShown) {
        Draw(iNoDone);
    } else {
        std::fflush(pStream);
    }
}

void ProgressBar::Finish() {
    if (bShown) {
        Draw(iNoDone);
        std::fputc('\n', pStream);
    }
}

void ProgressBar::Draw(int iNoDone) {
    lastDrawn = Clock::now();
    const double dElapsed = std::chrono::duration<double>(lastDrawn - start).count();
    const double dRate = dElapsed > 0 ? iNoDone / dElapsed : 0.0;
    const int iFilled = iNoFiles > 0 ? kBarWidth * iNoDone / iNoFiles : kBarWidth;
    const std::string bar = std::string(iFilled, '#') + std::string(kBarWidth - iFilled, '.');
    const std::string left =
        dRate > 0 ? DurationText((iNoFiles - iNoDone) / dRate) + " left" : "--:-- left";
    std::fprintf(pStream, "\r[%s] %d/%d  %.1f files/s  %s ", bar.c_str(), iNoDone, iNoFiles, dRate,
                 left.c_str());
    std::fflush(pStream);
}
