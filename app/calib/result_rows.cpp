#include "app/calib/result_rows.h"

#include "app/res/ui_texts.h"
#include "platform/c_numbers.h"

namespace {

// A value in the unit's number format, with the unit's text (areas with a "2"); both
// empty for an unknown unit, which writes nothing.
void FormatValue(double dValue, MeasureUnit nUnit, bool bArea, CResultRow& row)
{
    const char* szUnit = UnitText(nUnit);
    if (*szUnit == '\0')
        return;
    row.szValue = FormatFixed(dValue, nUnit == UNIT_MM ? 3 : 2);
    row.szUnit = bArea ? std::string(szUnit) + "2" : std::string(szUnit);
}

} // namespace

int ResultRowsOf(const MeasureItem& item, MeasureUnit nUnit, bool bJapanese, CResultRow (&rows)[3])
{
    auto typeText = [bJapanese](int nId) { return std::string(LoadUiString(nId, bJapanese)); };
    for (CResultRow& row : rows)
        row = CResultRow{};
    switch (item.Type) {
    case -TOOL_LINE:
    case -TOOL_SUI:
        rows[0].szType = typeText(IDS_LENGTH);
        FormatValue(item.Value[0], nUnit, false, rows[0]);
        return 1;
    case -TOOL_ARIA:
        rows[0].szType = typeText(IDS_POLYGON_AREA);
        FormatValue(item.Value[0], nUnit, true, rows[0]);
        return 1;
    case -TOOL_CIRCLE:
        rows[0].szType = typeText(IDS_CIRCLE_DIAMETER);
        FormatValue(item.Value[0], nUnit, false, rows[0]);
        return 1;
    case -TOOL_CIRCLE2:
        for (int i = 0; i < 3; ++i) {
            rows[i].szType = typeText(i < 2 ? IDS_CIRCLE_DIAMETER : IDS_CIRCLE_DISTANCE);
            FormatValue(item.Value[i], nUnit, false, rows[i]);
        }
        return 3;
    case -TOOL_ANGLE:
        rows[0] = CResultRow{typeText(IDS_ANGLE), FormatFixed(item.Value[0], 1), typeText(IDS_DEGREE)};
        return 1;
    default:
        return 0;
    }
}
