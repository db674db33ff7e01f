// Window artwork: background tile, program icon and the pointing-hand cursor.
#pragma once

#include <QImage>

namespace art {

// 200 x 200 seamless background tile in the theme colour. RGB, no alpha.
QImage MakeBackground();

// 64 x 64 program icon (an objective lens seen from the front), with alpha.
QImage MakeIcon();

// 32 x 32 pointing hand, black outline, white fill, transparent elsewhere; the tip of
// the index finger is pixel (5, 0), the hotspot.
QImage MakeCursor();

} // namespace art
