// PNG files of cairo's opaque images, written with libpng for speed: cairo's
// own writer lets libpng try every row filter at the default compression,
// which took two thirds of the time of a picture of a fit. Here rows are
// not filtered and zlib packs runs only, which suits pictures of a white
// background and thin lines.
#ifndef VARO_PLOTS_PNG_FILE_H
#define VARO_PLOTS_PNG_FILE_H

#include <string>

#include <cairo.h>

// Writes the image (CAIRO_FORMAT_RGB24, flushed) to path as an 8-bit RGB
// PNG. Returns an empty text, or why the file could not be written.
std::string PngFileWrite(cairo_surface_t *pImage, const std::string &path);

#endif
