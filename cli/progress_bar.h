// Progress of a batch on a terminal: files done, rate and estimated time left
// on one line of standard error, redrawn at most ten times a second. Drawn
// only where nothing else writes lines between its redraws.
#ifndef VARO_CLI_PROGRESS_BAR_H
#define VARO_CLI_PROGRESS_BAR_H

#include <chrono>
#include <cstdio>
#include <string>

class ProgressBar {
  public:
    // bShown: whether to draw at all.
    ProgressBar(std::FILE *pStream, int iNoFiles, bool bShown);
    // Whether to draw: on a terminal, and only when the records do not go to
    // a terminal too, where they would be written into the line.
    static bool ShownIs(int iProgressFd, int iRecordFd);
    // iNoDone files are done.
    void Update(int iNoDone);
    // Writes a line of its own on the stream, above the progress line when
    // that is drawn.
    void LineWrite(const std::string &line);
    // Draws the state last updated and ends the line.
    void Finish();

  private:
    using Clock = std::chrono::steady_clock;
    void Draw(int iNoDone);

    std::FILE *pStream;
    int iNoFiles;
    bool bShown;
    Clock::time_point start;
    Clock::time_point lastDrawn;
    int iNoDone = 0;
};

#endif
