// The main window's artwork: the PNG pictures of the panel, the background tile and
// the toggles (decoded as the program's own pictures, with Qt copies for painting),
// the window icon and the pointing-hand cursor of panning.
#pragma once

#include "app/imaging/dib_image.h"

#include <QCursor>
#include <QIcon>
#include <QImage>

struct CUiArtwork {
    // Loads the icon (128) and the cursor (138); the pictures wait for DecodePictures.
    CUiArtwork();
    // Decodes PNG resources 157, 158 and 159 (done when the settings are loaded).
    void DecodePictures();

    CDibImage m_PanelImage; // 400 x 318 button faces, in the current language
    CDibImage m_BackImage;  // 200 x 200 background tile
    CDibImage m_IconImage;  // 52 x 13 faces of the two toggles
    QImage m_PanelSheet;    // Qt copies of the three, for painting
    QImage m_BackTile;
    QImage m_ToggleSheet;
    QIcon m_hIcon;
    QCursor m_PanCursor;
};
