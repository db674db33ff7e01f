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

enum class Language { Neutral, English, Japanese };

struct ResourceEntry {
    int nId;
    const char* szType;
    Language language;
    const unsigned char* pData;
    const std::size_t* pSize;
};

using namespace vexilo_embedded;

const ResourceEntry s_Resources[] = {
    {IDB_PANEL, RT_PNG, Language::English, art_panel_en, &art_panel_en_size},
    {IDB_PANEL, RT_PNG, Language::Japanese, art_panel_ja, &art_panel_ja_size},
    {IDB_BACKGROUND, RT_PNG, Language::Neutral, art_background, &art_background_size},
    {IDB_TOGGLES, RT_PNG, Language::Neutral, art_toggles, &art_toggles_size},
    {IDR_MAINFRAME, RT_ICON_PNG, Language::Neutral, art_icon, &art_icon_size},
    {IDC_HAND_CURSOR, RT_CURSOR_PNG, Language::Neutral, art_cursor, &art_cursor_size},
};

} // namespace

BOOL FindResourceBlock(int nId, const char* szType, ResourceBlock& block)
{
    if (szType == nullptr)
        return FALSE;
    const Language wanted = g_bJapanese ? Language::Japanese : Language::English;
    for (const ResourceEntry& entry : s_Resources) {
        if (entry.nId != nId || std::strcmp(entry.szType, szType) != 0)
            continue;
        if (entry.language != Language::Neutral && entry.language != wanted)
            continue;
        block.pData = entry.pData;
        block.nSize = *entry.pSize;
        return TRUE;
    }
    return FALSE;
}
