#include "app/shell/ui_artwork.h"

#include "app/res/resources.h"
#include "app/dialogs/dib_qimage.h"
#include "platform/log.h"

#include <QPixmap>

#include <utility>

namespace {

QImage EmbeddedImage(int nId, const char* szType)
{
    CResourceBlock block;
    if (!FindResourceBlock(nId, szType, block))
        return QImage();
    return QImage::fromData(block.pData, static_cast<int>(block.nSize));
}

} // namespace

CUiArtwork::CUiArtwork()
{
    const QImage icon = EmbeddedImage(IDR_MAINFRAME, RT_ICON_PNG);
    if (!icon.isNull())
        m_hIcon = QIcon(QPixmap::fromImage(icon));
    const QImage hand = EmbeddedImage(IDC_HAND_CURSOR, RT_CURSOR_PNG);
    if (!hand.isNull())
        m_PanCursor = QCursor(QPixmap::fromImage(hand), HAND_CURSOR_HOTSPOT.x, HAND_CURSOR_HOTSPOT.y);
}

void CUiArtwork::DecodePictures()
{
    for (auto [pPicture, nId] : {std::pair{&m_PanelImage, IDB_PANEL}, std::pair{&m_BackImage, IDB_BACKGROUND},
                                 std::pair{&m_IconImage, IDB_TOGGLES}}) {
        // Without it the window paints plain faces or background, and goes on.
        if (!pPicture->LoadPngResource(nId, RT_PNG))
            LogLine(ELogCategory::Files, "interface picture %d could not be decoded", nId);
    }
    m_PanelSheet = DibToQImage(m_PanelImage);
    m_BackTile = DibToQImage(m_BackImage);
    m_ToggleSheet = DibToQImage(m_IconImage);
}
