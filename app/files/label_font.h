// The small bitmap font of the labels burnt into saved pictures: measured values with
// their units, angles and the scale bar's length.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// A glyph is LABEL_GLYPH_COLUMNS x LABEL_GLYPH_ROWS dots; rows 0..6 stand on the base
// line, rows 7 and 8 hold descenders. Each dot is drawn as a LABEL_DOT_SIZE square.
constexpr int LABEL_GLYPH_COLUMNS = 5;
constexpr int LABEL_GLYPH_ROWS = 9;
constexpr int LABEL_DOT_SIZE = 2;
// Pixels from one glyph's left edge to the next one's, and from the text's top to the
// glyphs' first row.
constexpr int LABEL_ADVANCE = (LABEL_GLYPH_COLUMNS + 1) * LABEL_DOT_SIZE;
constexpr int LABEL_TOP_MARGIN = LABEL_DOT_SIZE;

// Row r of a glyph, a bit per column from the left (bit 4 = column 0).
using CLabelGlyph = std::array<unsigned char, LABEL_GLYPH_ROWS>;

// The glyph of a code point: digits, lower-case letters, space, '.', ',', '-', '+' and
// the degree sign; any other character is an empty box.
const CLabelGlyph& LabelGlyph(char32_t code);

// The code points of a UTF-8 text, one at a time; a malformed byte counts as U+FFFD.
class CUtf8Reader {
public:
    explicit CUtf8Reader(std::string_view text) : m_Text(text) {}
    // The next code point into code; false at the end of the text.
    bool Next(char32_t& code);

private:
    std::string_view m_Text;
    std::size_t m_nPos = 0;
};
