// Program entry of both demo programs; the model linked beside the frame
// (gDemoModel) makes it VaroGauss or VaroExp.
#include <cstdio>
#include <string>

#include <GL/glut.h>

#include "demos/frame/frame.h"

namespace {

constexpr int kWindowWidth = 530;
constexpr int kWindowHeight = 400;

} // namespace

int main(int argc, char **argv) {
    // Line by line, so that a console piped to a file follows the fit.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    glutInit(&argc, argv);
    BannerPrint();
    std::string dataFile;
    if (CommandLineRead(argc, argv, &gDemoState, &dataFile) != 0) {
        return 1;
    }
    ModelData &data = gDemoState.modelData;
    data.iNoPoints = kMaxPoints;
    if (DataFileRead(dataFile.c_str(), &data.iNoPoints, data.adTime, data.adData, data.adWeight) !=
        0) {
        return 1;
    }
    ProblemSetUp();
    gDemoState.iWindowWidth = kWindowWidth;
    gDemoState.iWindowHeight = kWindowHeight;
    WindowsCreate(dataFile.c_str());
    glutMainLoop();
    return 0;
}
