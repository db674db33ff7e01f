// WriteBmp: saves a picture as a Windows BMP file, rows exactly as the picture holds them.
#pragma once

#include "app/imaging/dib_image.h"
#include "platform/win_types.h"

// File header (14 bytes), the picture's info header with biSize 40 (and every field
// that says how the rest is laid out made true of it: BI_RGB, biSizeImage, biClrUsed and
// biClrImportant 0), for 8-bit pictures all 256 colour-table entries (pixel offset 1078,
// else 54), then stride x height bytes of rows, bottom-up and padded to 4 bytes. The file is written in one piece and
// replaces an existing one as a whole (see WriteWholeFile). FALSE for an empty picture
// or a file that cannot be written; an existing file is then left as it was.
BOOL WriteBmp(const CDibImage& image, const char* szPath);
