#include "demos/frame/tests/info_panel_texts.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "graph/graph.h"

gltest::PixelBlock InfoPanelTextsShow(const float afColour[3], const std::vector<TextLine> &lines) {
    glClearColor(afColour[0], afColour[1], afColour[2], 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const int iWidth = glutGet(GLUT_WINDOW_WIDTH);
    const int iHeight = glutGet(GLUT_WINDOW_HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, iWidth, 0.0, iHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, iWidth, iHeight);
    for (const TextLine &line : lines) {
        GraphPrintf(line.fX, line.fY, GLUT_BITMAP_9_BY_15, "%s", line.text.c_str());
    }
    glutSwapBuffers();
    return gltest::PixelBlock::ShownWindowRead();
}
