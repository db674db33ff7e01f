// Sprite sheets of the owner-drawn buttons: the 400 x 318 panel and the 52 x 13 toggles.
#pragma once

#include <QImage>

namespace art {

// Button faces, 50 x 53 each, with captions in English or Japanese; the disabled look
// of every face lies 200 pixels to the right of the enabled one. RGB, no alpha.
QImage MakePanel(bool bJapanese);

// Four 13 x 13 faces: panel shown (arrow right), panel hidden (arrow left), strip shown
// (arrow down), strip hidden (arrow up). RGB, no alpha.
QImage MakeToggles();

} // namespace art
