// What cairo and fontconfig keep for the life of a process once a picture
// has been drawn: fonts, glyphs and fontconfig's configuration.
#ifndef VARO_PLOTS_DRAWING_CACHES_H
#define VARO_PLOTS_DRAWING_CACHES_H

// Frees those caches, so that a leak checker finds nothing left at the end
// of a program. Call it once, after the last picture of the process, with no
// picture being drawn on any thread; drawing afterwards builds them anew.
void DrawingCachesRelease();

#endif
