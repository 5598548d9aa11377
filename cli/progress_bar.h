// Progress of a batch on a terminal: files done, rate and estimated time left
// on one line of standard error, redrawn at most ten times a second. Draws
// nothing when the stream is not a terminal.
#ifndef VARO_CLI_PROGRESS_BAR_H
#define VARO_CLI_PROGRESS_BAR_H

#include <chrono>
#include <cstdio>

class ProgressBar {
  public:
    // bShown: whether to draw at all (standard error is a terminal).
    ProgressBar(std::FILE *pStream, int iNoFiles, bool bShown);
    // iNoDone files are done.
    void Update(int iNoDone);
    // Draws the final state and ends the line.
    void Finish(int iNoDone);

  private:
    using Clock = std::chrono::steady_clock;
    void Draw(int iNoDone);

    std::FILE *pStream;
    int iNoFiles;
    bool bShown;
    Clock::time_point start;
    Clock::time_point lastDrawn;
};

#endif
