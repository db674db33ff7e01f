// Fuzz target of the measurement input of vexilo-cli measure: any bytes as the input
// file, read by the CLI's own line loop on a picture of 640 x 480, 1 x 1 or 37 x 5
// pixels. A line taken has one word per coordinate after its type and reads back the
// same when written out again; the list holds exactly the items of the lines taken
// before the first bad one (which the loop must name), each finished with its line's
// points; an area never counts more than the picture, and with points on a 1/16-pixel
// grid within a million pixels every result is a finite, non-negative number, angles at
// most 180 degrees.
#include "app/cli/measure_input.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

const char* ToolName(MeasureTool nTool)
{
    switch (nTool) {
    case TOOL_LINE: return "line";
    case TOOL_ARIA: return "area";
    case TOOL_CIRCLE: return "circle";
    case TOOL_CIRCLE2: return "circle2";
    case TOOL_SUI: return "sui";
    case TOOL_ANGLE: return "angle";
    default: return nullptr;
    }
}

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t nPos = 0;
    while (true) {
        nPos = line.find_first_not_of(" \t\r", nPos);
        if (nPos == std::string_view::npos)
            return words;
        const std::size_t nEnd = std::min(line.find_first_of(" \t\r", nPos), line.size());
        words.push_back(line.substr(nPos, nEnd - nPos));
        nPos = nEnd;
    }
}

// A decimal number: an optional sign, digits with an optional point (at least one
// digit), an optional exponent.
bool IsDecimalNumber(std::string_view word)
{
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t nStart = i;
        while (i < word.size() && word[i] >= '0' && word[i] <= '9')
            ++i;
        return i - nStart;
    };
    if (i < word.size() && (word[i] == '+' || word[i] == '-'))
        ++i;
    std::size_t nDigits = digits();
    if (i < word.size() && word[i] == '.') {
        ++i;
        nDigits += digits();
    }
    if (nDigits == 0)
        return false;
    if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
        ++i;
        if (i < word.size() && (word[i] == '+' || word[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == word.size();
}

bool SamePoints(const std::vector<DPOINT>& a, const std::vector<DPOINT>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i]))
            return false;
    return true;
}

// A line taken: its words, and the same points written with full precision read back.
void CheckLine(std::string_view line, const CMeasureLine& measure)
{
    if (measure.nTool == TOOL_NONE)
        return;
    const char* szName = ToolName(measure.nTool);
    const std::vector<std::string_view> words = Words(line);
    if (szName == nullptr || words.size() != 1 + 2 * measure.points.size() || words[0] != szName)
        __builtin_trap();
    for (std::size_t i = 1; i < words.size(); ++i)
        if (!IsDecimalNumber(words[i]))
            __builtin_trap();
    std::string text = szName;
    char szNumber[64];
    for (const DPOINT& point : measure.points) {
        std::snprintf(szNumber, sizeof szNumber, " %.17g %.17g", point.x, point.y);
        text += szNumber;
    }
    CMeasureLine again;
    std::string szProblem;
    if (!ParseMeasureLine(text, again, szProblem) || again.nTool != measure.nTool ||
        !SamePoints(again.points, measure.points))
        __builtin_trap();
}

bool OnGrid(const DPOINT* pPoints, int nCount)
{
    for (int i = 0; i < nCount; ++i)
        for (double d : {pPoints[i].x, pPoints[i].y})
            if (std::fabs(d) > 1e6 || d * 16 != std::floor(d * 16))
                return false;
    return true;
}

bool IsLength(double d) { return std::isfinite(d) && d >= 0; }

// The item made from points of a line, as a finished measurement of its tool.
void CheckItem(const MeasureItem& item, MeasureTool nTool, const std::vector<DPOINT>& points, const CCalibEntry& calib,
               int nWidth, int nHeight)
{
    if (item.Type != -nTool || item.PointCount != static_cast<int>(points.size()) ||
        item.Points.Capacity() < item.PointCount)
        __builtin_trap();
    for (int i = 0; i < item.PointCount; ++i)
        if (!(item.Points[i] == points[i]))
            __builtin_trap();
    const double dMaxArea = static_cast<double>(nWidth) * nHeight * calib.m_dMppX * calib.m_dMppY;
    if (nTool == TOOL_ARIA && points.size() >= 2 && !(item.Value[0] >= 0 && item.Value[0] <= dMaxArea * (1 + 1e-12)))
        __builtin_trap();
    if (!OnGrid(points.data(), item.PointCount))
        return;
    bool bGood = true;
    switch (nTool) {
    case TOOL_LINE:
    case TOOL_SUI:
    case TOOL_CIRCLE: bGood = IsLength(item.Value[0]); break;
    case TOOL_CIRCLE2: bGood = IsLength(item.Value[0]) && IsLength(item.Value[1]) && IsLength(item.Value[2]); break;
    case TOOL_ANGLE: bGood = item.Value[0] >= 0 && item.Value[0] <= 180; break;
    default: break;
    }
    if (!bGood)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize > 1 << 16)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(pData), nSize);
    static constexpr int SIZES[][2] = {{640, 480}, {1, 1}, {37, 5}};
    const int nWidth = SIZES[nSize % 3][0];
    const int nHeight = SIZES[nSize % 3][1];
    CCalibEntry calib;
    calib.RecalcPixelSize();

    CMeasureList list;
    std::size_t nBadLine = 0;
    std::string szProblem;
    const bool bRead = ReadMeasureLines(text, calib, nWidth, nHeight, list, nBadLine, szProblem);

    // The same lines one by one, against what the loop made of them.
    auto item = list.begin();
    std::size_t nLine = 0;
    for (std::size_t nPos = 0; nPos < text.size();) {
        const std::size_t nEnd = std::min(text.find('\n', nPos), text.size());
        const std::string_view line = text.substr(nPos, nEnd - nPos);
        nPos = nEnd + 1;
        ++nLine;
        CMeasureLine measure;
        std::string szWhy;
        if (!ParseMeasureLine(line, measure, szWhy)) {
            if (bRead || nBadLine != nLine || szProblem != szWhy || szWhy.empty() || item != list.end())
                __builtin_trap();
            return 0;
        }
        CheckLine(line, measure);
        if (measure.nTool == TOOL_NONE)
            continue;
        const std::size_t nItems = measure.nTool == TOOL_SUI ? measure.points.size() - 2 : 1;
        for (std::size_t i = 0; i < nItems; ++i, ++item) {
            if (item == list.end())
                __builtin_trap();
            if (measure.nTool == TOOL_SUI)
                CheckItem(*item, TOOL_SUI, {measure.points[0], measure.points[1], measure.points[2 + i]}, calib, nWidth,
                          nHeight);
            else
                CheckItem(*item, measure.nTool, measure.points, calib, nWidth, nHeight);
        }
    }
    if (!bRead || item != list.end())
        __builtin_trap();
    return 0;
}
