#pragma once
// The raster layer in one include: colours and constants, regions, bitmaps, canvases,
// and the window canvas.

#include "platform/gdi/bitmap.h"
#include "platform/gdi/canvas.h"
#include "platform/gdi/region.h"
#include "platform/gdi/types.h"
#include "platform/gdi/window_canvas.h"
