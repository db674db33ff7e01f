#include "app/cli/measure_input.h"

#include "app/measure/measure_geometry.h"

#include <charconv>
#include <cmath>

namespace {

struct CToolName {
    const char* szName;
    MeasureTool nTool;
    int nMinPoints;
    int nMaxPoints; // 0: no limit
};

constexpr CToolName s_Tools[] = {
    {"line", TOOL_LINE, 2, 2},       {"area", TOOL_ARIA, 1, 0},  {"circle", TOOL_CIRCLE, 3, 3},
    {"circle2", TOOL_CIRCLE2, 6, 6}, {"sui", TOOL_SUI, 3, 0},    {"angle", TOOL_ANGLE, 3, 3},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The next blank-separated word of line from pos on; empty at the end.
std::string_view NextWord(std::string_view line, std::size_t& pos)
{
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    const std::size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos]))
        ++pos;
    return line.substr(start, pos - start);
}

bool ParseCoordinate(std::string_view word, double& dValue)
{
    const char* pBegin = word.data();
    const char* pEnd = pBegin + word.size();
    // from_chars takes a '-' but no '+': a '+' is skipped here, and must not be followed
    // by a sign of its own, which from_chars would take ("+-5").
    if (pBegin < pEnd && *pBegin == '+') {
        ++pBegin;
        if (pBegin < pEnd && *pBegin == '-')
            return false;
    }
    const auto result = std::from_chars(pBegin, pEnd, dValue, std::chars_format::general);
    // "-0" is 0: the angle formula tells the two zeros apart and would put an arm
    // pointing straight down at 450 degrees (-90 for the angle).
    dValue += 0.0;
    return result.ec == std::errc() && result.ptr == pEnd && pBegin != pEnd && std::isfinite(dValue);
}

// One item of tool nTool from the given points, finished and appended.
void AppendItem(MeasureTool nTool, const DPOINT* pPoints, int nCount, const CCalibEntry& calib, int nWidth,
                int nHeight, CMeasureList& list)
{
    MeasureItem item;
    SelectTool(item, nTool);
    for (int i = 0; i < nCount; ++i) {
        if (!item.Points.Set(i, pPoints[i]))
            return;
    }
    item.PointCount = nCount;
    FinishItem(item, calib, nWidth, nHeight);
    list.AppendCopy(item);
}

} // namespace

bool ParseMeasureLine(std::string_view line, CMeasureLine& measure, std::string& szProblem)
{
    measure = CMeasureLine{};
    std::size_t pos = 0;
    const std::string_view type = NextWord(line, pos);
    if (type.empty() || type.front() == '#')
        return true;
    const CToolName* pTool = nullptr;
    for (const CToolName& tool : s_Tools) {
        if (type == tool.szName)
            pTool = &tool;
    }
    if (pTool == nullptr) {
        szProblem = "unknown type \"" + std::string(type) + "\" (line, area, circle, circle2, sui or angle)";
        return false;
    }
    std::vector<double> coordinates;
    for (std::string_view word = NextWord(line, pos); !word.empty(); word = NextWord(line, pos)) {
        double dValue = 0.0;
        if (!ParseCoordinate(word, dValue)) {
            szProblem = "\"" + std::string(word) + "\" is not a number";
            return false;
        }
        coordinates.push_back(dValue);
    }
    const int nPoints = static_cast<int>(coordinates.size() / 2);
    if (coordinates.size() % 2 != 0 || nPoints < pTool->nMinPoints ||
        (pTool->nMaxPoints != 0 && nPoints > pTool->nMaxPoints)) {
        szProblem = std::string(pTool->szName) + " takes " + std::to_string(pTool->nMinPoints) +
                    (pTool->nMaxPoints == 0 ? " or more" : "") + " points (x y pairs)";
        return false;
    }
    measure.nTool = pTool->nTool;
    for (int i = 0; i < nPoints; ++i)
        measure.points.push_back(DPOINT{coordinates[2 * i], coordinates[2 * i + 1]});
    return true;
}

void AppendMeasureItems(const CMeasureLine& measure, const CCalibEntry& calib, int nPictureWidth, int nPictureHeight,
                        CMeasureList& list)
{
    const int nCount = static_cast<int>(measure.points.size());
    if (measure.nTool != TOOL_SUI) {
        AppendItem(measure.nTool, measure.points.data(), nCount, calib, nPictureWidth, nPictureHeight, list);
        return;
    }
    // The base line stays, each further point makes one perpendicular to it.
    for (int i = 2; i < nCount; ++i) {
        const DPOINT points[] = {measure.points[0], measure.points[1], measure.points[i]};
        AppendItem(TOOL_SUI, points, 3, calib, nPictureWidth, nPictureHeight, list);
    }
}

bool ReadMeasureLines(std::string_view text, const CCalibEntry& calib, int nPictureWidth, int nPictureHeight,
                      CMeasureList& list, std::size_t& nBadLine, std::string& szProblem)
{
    std::size_t nLine = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        ++nLine;
        CMeasureLine measure;
        if (!ParseMeasureLine(text.substr(pos, end - pos), measure, szProblem)) {
            nBadLine = nLine;
            return false;
        }
        if (measure.nTool != TOOL_NONE)
            AppendMeasureItems(measure, calib, nPictureWidth, nPictureHeight, list);
        pos = end + 1;
    }
    return true;
}
