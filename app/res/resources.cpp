#include "app/res/resources.h"

#include "app/res/ui_texts.h"

#include <cstring>

namespace vexilo_embedded {
extern const unsigned char art_panel_en[];
extern const std::size_t art_panel_en_size;
extern const unsigned char art_panel_ja[];
extern const std::size_t art_panel_ja_size;
extern const unsigned char art_background[];
extern const std::size_t art_background_size;
extern const unsigned char art_toggles[];
extern const std::size_t art_toggles_size;
extern const unsigned char art_icon[];
extern const std::size_t art_icon_size;
extern const unsigned char art_cursor[];
extern const std::size_t art_cursor_size;
} // namespace vexilo_embedded

namespace {

enum class ELanguage { Neutral, English, Japanese };

struct CResourceEntry {
    int nId;
    const char* szType;
    ELanguage language;
    const unsigned char* pData;
    const std::size_t* pSize;
};

using namespace vexilo_embedded;

const CResourceEntry s_Resources[] = {
    {IDB_PANEL, RT_PNG, ELanguage::English, art_panel_en, &art_panel_en_size},
    {IDB_PANEL, RT_PNG, ELanguage::Japanese, art_panel_ja, &art_panel_ja_size},
    {IDB_BACKGROUND, RT_PNG, ELanguage::Neutral, art_background, &art_background_size},
    {IDB_TOGGLES, RT_PNG, ELanguage::Neutral, art_toggles, &art_toggles_size},
    {IDR_MAINFRAME, RT_ICON_PNG, ELanguage::Neutral, art_icon, &art_icon_size},
    {IDC_HAND_CURSOR, RT_CURSOR_PNG, ELanguage::Neutral, art_cursor, &art_cursor_size},
};

} // namespace

bool FindResourceBlock(int nId, const char* szType, CResourceBlock& block)
{
    if (szType == nullptr)
        return false;
    const ELanguage wanted = g_bJapanese ? ELanguage::Japanese : ELanguage::English;
    for (const CResourceEntry& entry : s_Resources) {
        if (entry.nId != nId || std::strcmp(entry.szType, szType) != 0)
            continue;
        if (entry.language != ELanguage::Neutral && entry.language != wanted)
            continue;
        block.pData = entry.pData;
        block.nSize = *entry.pSize;
        return true;
    }
    return false;
}
