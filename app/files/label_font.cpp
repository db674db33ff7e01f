#include "app/files/label_font.h"

#include <algorithm>
#include <iterator>

namespace {

// A glyph from its rows drawn as text, '#' for a dot; missing rows are empty.
template <std::size_t N>
constexpr CLabelGlyph Glyph(const char* const (&rows)[N])
{
    static_assert(N <= LABEL_GLYPH_ROWS);
    CLabelGlyph glyph{};
    for (std::size_t r = 0; r < N; ++r) {
        for (int c = 0; c < LABEL_GLYPH_COLUMNS && rows[r][c] != '\0'; ++c) {
            if (rows[r][c] == '#')
                glyph[r] = static_cast<unsigned char>(glyph[r] | (0x10 >> c));
        }
    }
    return glyph;
}

struct CGlyphEntry {
    char32_t code;
    CLabelGlyph glyph;
};

// Sorted by code point.
constexpr CGlyphEntry GLYPHS[] = {
    {U' ', Glyph({""})},
    {U'+', Glyph({"", "  #  ", "  #  ", "#####", "  #  ", "  #  "})},
    {U',', Glyph({"", "", "", "", "", " ##  ", "  #  ", " #   "})},
    {U'-', Glyph({"", "", "", "#####"})},
    {U'.', Glyph({"", "", "", "", "", " ##  ", " ##  "})},
    {U'0', Glyph({" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "})},
    {U'1', Glyph({"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "})},
    {U'2', Glyph({" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"})},
    {U'3', Glyph({"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "})},
    {U'4', Glyph({"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "})},
    {U'5', Glyph({"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "})},
    {U'6', Glyph({"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "})},
    {U'7', Glyph({"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "})},
    {U'8', Glyph({" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "})},
    {U'9', Glyph({" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "})},
    {U'a', Glyph({"", "", " ### ", "    #", " ####", "#   #", " ####"})},
    {U'b', Glyph({"#    ", "#    ", "# ## ", "##  #", "#   #", "#   #", "#### "})},
    {U'c', Glyph({"", "", " ### ", "#    ", "#    ", "#   #", " ### "})},
    {U'd', Glyph({"    #", "    #", " ## #", "#  ##", "#   #", "#   #", " ####"})},
    {U'e', Glyph({"", "", " ### ", "#   #", "#####", "#    ", " ### "})},
    {U'f', Glyph({"  ## ", " #  #", " #   ", "###  ", " #   ", " #   ", " #   "})},
    {U'g', Glyph({"", "", " ####", "#   #", "#   #", "#   #", " ####", "    #", " ### "})},
    {U'h', Glyph({"#    ", "#    ", "# ## ", "##  #", "#   #", "#   #", "#   #"})},
    {U'i', Glyph({"  #  ", "", " ##  ", "  #  ", "  #  ", "  #  ", " ### "})},
    {U'j', Glyph({"   # ", "", "  ## ", "   # ", "   # ", "   # ", "   # ", "#  # ", " ##  "})},
    {U'k', Glyph({"#    ", "#    ", "#  # ", "# #  ", "##   ", "# #  ", "#  # "})},
    {U'l', Glyph({" ##  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "})},
    {U'm', Glyph({"", "", "## # ", "# # #", "# # #", "#   #", "#   #"})},
    {U'n', Glyph({"", "", "# ## ", "##  #", "#   #", "#   #", "#   #"})},
    {U'o', Glyph({"", "", " ### ", "#   #", "#   #", "#   #", " ### "})},
    {U'p', Glyph({"", "", "#### ", "#   #", "#   #", "#   #", "#### ", "#    ", "#    "})},
    {U'q', Glyph({"", "", " ####", "#   #", "#   #", "#   #", " ####", "    #", "    #"})},
    {U'r', Glyph({"", "", "# ## ", "##  #", "#    ", "#    ", "#    "})},
    {U's', Glyph({"", "", " ####", "#    ", " ### ", "    #", "#### "})},
    {U't', Glyph({" #   ", " #   ", "###  ", " #   ", " #   ", " #  #", "  ## "})},
    {U'u', Glyph({"", "", "#   #", "#   #", "#   #", "#  ##", " ## #"})},
    {U'v', Glyph({"", "", "#   #", "#   #", "#   #", " # # ", "  #  "})},
    {U'w', Glyph({"", "", "#   #", "#   #", "# # #", "# # #", " # # "})},
    {U'x', Glyph({"", "", "#   #", " # # ", "  #  ", " # # ", "#   #"})},
    {U'y', Glyph({"", "", "#   #", "#   #", "#   #", "#   #", " ####", "    #", " ### "})},
    {U'z', Glyph({"", "", "#####", "   # ", "  #  ", " #   ", "#####"})},
    {U'\u00b0', Glyph({" ##  ", "#  # ", "#  # ", " ##  "})},
};

constexpr CLabelGlyph MISSING_GLYPH = Glyph({"#####", "#   #", "#   #", "#   #", "#   #", "#   #", "#####"});

static_assert(std::is_sorted(std::begin(GLYPHS), std::end(GLYPHS),
                             [](const CGlyphEntry& a, const CGlyphEntry& b) { return a.code < b.code; }));

} // namespace

const CLabelGlyph& LabelGlyph(char32_t code)
{
    const auto* pEntry = std::lower_bound(std::begin(GLYPHS), std::end(GLYPHS), code,
                                          [](const CGlyphEntry& entry, char32_t c) { return entry.code < c; });
    return pEntry != std::end(GLYPHS) && pEntry->code == code ? pEntry->glyph : MISSING_GLYPH;
}

bool CUtf8Reader::Next(char32_t& code)
{
    if (m_nPos >= m_Text.size())
        return false;
    const auto lead = static_cast<unsigned char>(m_Text[m_nPos++]);
    int nFollowing = 0;
    if (lead < 0x80) {
        code = lead;
        return true;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        code = lead & 0x1Fu;
        nFollowing = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        code = lead & 0x0Fu;
        nFollowing = 2;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        code = lead & 0x07u;
        nFollowing = 3;
    } else {
        code = U'\uFFFD';
        return true;
    }
    for (int i = 0; i < nFollowing; ++i) {
        if (m_nPos >= m_Text.size() || (static_cast<unsigned char>(m_Text[m_nPos]) & 0xC0u) != 0x80u) {
            code = U'\uFFFD';
            return true;
        }
        code = (code << 6) | (static_cast<unsigned char>(m_Text[m_nPos++]) & 0x3Fu);
    }
    return true;
}
