// Display callbacks of a demo program's main window and of its three panels:
// the curve panel, the residual panel and the information panel. They read
// gDemoState and gDemoModel and never change them. Each one makes its own
// window current, so the panels may also be called directly from anywhere on
// the GLUT thread (the progress report redraws them during a fit). A window
// that has not been created (id 0) is skipped.
#ifndef VARO_DEMOS_FRAME_PANELS_H
#define VARO_DEMOS_FRAME_PANELS_H

// Clears the main window to black.
void MainWindowDisplay();

// Data points (red), the curve of every term when there are several (blue,
// green, magenta, cyan, then grey) and the model curve (yellow) over a dotted
// grid; the y range covers the data and the term curves.
void CurvePanelDisplay();

// Weighted residuals on a y range symmetric about zero that reaches the
// largest residual (at least 1e-6).
void ResidualPanelDisplay();

// Term count, chi value, the current parameter values of every term (rows
// written by gDemoModel.InfoRowsWrite) and the fit state. A failing parameter
// query ends the panel's text after the rows already written.
void InfoPanelDisplay();

// Writes one row of the information panel at (fX, *pfY) in the panel's font
// and lowers *pfY to the next row. For the models' parameter rows.
[[gnu::format(printf, 3, 4)]] void InfoRowWrite(float fX, float *pfY, const char *pszFormat, ...);

#endif
