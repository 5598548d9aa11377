#include "plots/drawing_caches.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

void DrawingCachesRelease() {
    // cairo's font faces hold fontconfig's patterns: they go first.
    cairo_debug_reset_static_data();
    FcFini();
}
