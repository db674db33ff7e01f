#include "app/measure/measure_mouse.h"

#include "app/measure/measure_geometry.h"

#include <cmath>

namespace {

constexpr int s_nZoomFactors[] = {1, 1, 2, 4, 8, 16};

double Distance(const DPOINT& a, const DPOINT& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

} // namespace

double HitTolerance(int nZoom, int nViewWidth, int nPictureWidth)
{
    if (nZoom == 0)
        return nViewWidth != 0 ? static_cast<double>(nPictureWidth) / nViewWidth * 10 : 10.0;
    const int nFactor = nZoom > 0 && nZoom < 6 ? s_nZoomFactors[nZoom] : 1;
    return 10.0 / nFactor;
}

EMeasureCursor CircumferenceCursor(const DPOINT& c, const DPOINT& p)
{
    if (p.x == c.x || p.y == c.y)
        return EMeasureCursor::Unchanged;
    double dDegrees = std::atan2(c.y - p.y, p.x - c.x) * 180.0 / std::acos(-1.0);
    if (dDegrees < 0)
        dDegrees += 360;
    const double dSector = std::fmod(dDegrees, 180.0); // the opposite sectors show the same cursor
    if (dSector >= 23 && dSector < 68)
        return EMeasureCursor::SizeNESW;
    if (dSector >= 68 && dSector < 113)
        return EMeasureCursor::SizeNS;
    if (dSector >= 113 && dSector < 158)
        return EMeasureCursor::SizeNWSE;
    return EMeasureCursor::SizeWE;
}

void CMeasureMouse::SelectTool(MeasureTool nTool) { ::SelectTool(m_State.m_CurMeasure, nTool); }

void CMeasureMouse::Store(MeasureItem& item, const CMeasureEnv& env)
{
    FinishItem(item, *env.pCalib, env.nPictureWidth, env.nPictureHeight);
    m_Rows.AddItemRows(*m_State.m_MeasureList.AppendCopy(item));
}

CMeasureAnswer CMeasureMouse::OnLButtonDown(const DPOINT& p, bool bZoomed)
{
    MeasureItem& cur = m_State.m_CurMeasure;
    CMeasureAnswer answer;
    if (cur.Type == TOOL_LINE) {
        // A line is drawn from the press to the release.
        if (cur.Points.Set(cur.PointCount, p))
            ++cur.PointCount;
    } else if (bZoomed) {
        answer.bStartPan = true;
    }
    return answer;
}

CMeasureAnswer CMeasureMouse::OnLButtonUp(const DPOINT& p, const CMeasureEnv& env)
{
    MeasureItem& cur = m_State.m_CurMeasure;
    CMeasureAnswer answer;
    if (cur.Type < 1)
        return answer;
    answer.bRepaint = true;
    if (!cur.Points.Set(cur.PointCount, p))
        return answer;
    ++cur.PointCount;
    const int n = cur.PointCount;
    switch (cur.Type) {
    case TOOL_LINE:
    case TOOL_CIRCLE:
    case TOOL_CIRCLE2:
    case TOOL_ANGLE:
        if (n >= PointsNeeded(-cur.Type)) {
            Store(cur, env);
            SelectTool(TOOL_NONE);
        }
        break;
    case TOOL_SUI:
        // Every point after the base line adds a perpendicular; the tool stays.
        if (n >= 3) {
            MeasureItem perpendicular;
            ::SelectTool(perpendicular, TOOL_SUI);
            perpendicular.Points.Set(0, cur.Points[0]);
            perpendicular.Points.Set(1, cur.Points[1]);
            perpendicular.Points.Set(2, p);
            perpendicular.PointCount = 3;
            Store(perpendicular, env);
        }
        break;
    default:
        break; // a polygon is closed by a double click
    }
    return answer;
}

CMeasureAnswer CMeasureMouse::OnLButtonDblClk(const CMeasureEnv& env)
{
    CMeasureAnswer answer;
    if (m_State.m_CurMeasure.Type != TOOL_ARIA)
        return answer;
    Store(m_State.m_CurMeasure, env);
    SelectTool(TOOL_NONE);
    answer.bRepaint = true;
    return answer;
}

CMeasureAnswer CMeasureMouse::OnRButtonDown(const DPOINT& p, const CMeasureEnv& env)
{
    CMeasureAnswer answer;
    const CMeasureHit hit = m_State.m_MeasureList.HitTest(p.x, p.y, env.dTolerance);
    if (hit.pItem == nullptr)
        return answer;
    m_State.m_pDragItem = hit.pItem;
    m_State.m_nDragIndex = hit.nIndex;
    m_State.m_nDragHit = hit.nKind;
    m_State.m_bMeasureDrag = 1;
    const bool bCircle = hit.pItem->Type == -TOOL_CIRCLE || hit.pItem->Type == -TOOL_CIRCLE2;
    answer.cursor = bCircle && hit.nKind == CMeasureHit::HIT_CIRCUMFERENCE
                        ? CircumferenceCursor(hit.pItem->Center[hit.nIndex], p)
                        : EMeasureCursor::SizeAll;
    return answer;
}

CMeasureAnswer CMeasureMouse::OnMouseMove(const DPOINT& p, const CMeasureEnv& env)
{
    CMeasureAnswer answer;
    if (m_State.m_bMeasureDrag && m_State.m_pDragItem != nullptr) {
        MoveDraggedItem(p, env, answer);
        return answer;
    }
    const CMeasureHit hit = m_State.m_MeasureList.HitTest(p.x, p.y, env.dTolerance);
    if (hit.pItem == nullptr)
        answer.cursor = EMeasureCursor::Arrow;
    else if (hit.nKind == CMeasureHit::HIT_CIRCUMFERENCE)
        answer.cursor = CircumferenceCursor(hit.pItem->Center[hit.nIndex], p);
    else
        answer.cursor = EMeasureCursor::SizeAll;
    return answer;
}

void CMeasureMouse::MoveDraggedItem(const DPOINT& p, const CMeasureEnv& env, CMeasureAnswer& answer)
{
    MeasureItem& item = *m_State.m_pDragItem;
    const CCalibEntry& calib = *env.pCalib;
    const int nIndex = m_State.m_nDragIndex;
    answer.bRepaint = true;
    answer.cursor = EMeasureCursor::SizeAll;
    switch (item.Type) {
    case -TOOL_ANGLE:
        item.Points[nIndex] = p;
        item.Value[0] = AngleAtVertex(item.Points[0], item.Points[1], item.Points[2]);
        item.Unit = calib.m_nUnit;
        m_Rows.SetItemRows(item);
        break;
    case -TOOL_SUI:
        // A moved base point moves with it the later items on the same base line.
        if (nIndex < 2) {
            const MeasureItem* pAfter = nullptr;
            while (MeasureItem* pMember = m_State.m_MeasureList.NextSharingBaseLine(item, pAfter)) {
                pMember->Points[nIndex] = p;
                RecalcItem(*pMember, calib, env.nPictureWidth, env.nPictureHeight);
                m_Rows.SetItemRows(*pMember);
                pAfter = pMember;
            }
        }
        item.Points[nIndex] = p;
        RecalcItem(item, calib, env.nPictureWidth, env.nPictureHeight);
        m_Rows.SetItemRows(item);
        break;
    case -TOOL_CIRCLE:
    case -TOOL_CIRCLE2:
        if (m_State.m_nDragHit == CMeasureHit::HIT_CIRCUMFERENCE) {
            // Only the radius follows; the entered points stay where they were.
            item.Radius[nIndex] = Distance(item.Center[nIndex], p);
            item.Value[nIndex] = item.Radius[nIndex] * calib.m_dMppX * 2;
            item.Unit = calib.m_nUnit;
            m_Rows.SetItemRows(item);
            answer.cursor = CircumferenceCursor(item.Center[nIndex], p);
        } else {
            item.Center[nIndex] = p;
            if (item.Type == -TOOL_CIRCLE2) {
                item.Value[2] = Distance(item.Center[0], item.Center[1]) * calib.m_dMppX;
                item.Unit = calib.m_nUnit;
                m_Rows.SetItemRows(item);
            }
        }
        break;
    case -TOOL_LINE:
        item.Points[nIndex] = p;
        RecalcItem(item, calib, env.nPictureWidth, env.nPictureHeight);
        m_Rows.SetItemRows(item);
        break;
    case -TOOL_ARIA:
        item.Points[nIndex] = p; // counted again at the release
        break;
    default:
        break;
    }
}

CMeasureAnswer CMeasureMouse::OnRButtonUp(const CMeasureEnv& env)
{
    CMeasureAnswer answer;
    if (m_State.m_CurMeasure.Type == TOOL_SUI) {
        // The right button ends the perpendicular tool; a drag taken meanwhile ends too,
        // so that no item follows the pointer after the tool has ended.
        SelectTool(TOOL_NONE);
        m_State.ClearDrag();
        answer.bRepaint = true;
        return answer;
    }
    if (m_State.m_bMeasureDrag) {
        MeasureItem* pItem = m_State.m_pDragItem;
        // A polygon is counted again; one that cannot be drawn keeps its area and row.
        if (pItem != nullptr && pItem->Type == -TOOL_ARIA &&
            RecalcItem(*pItem, *env.pCalib, env.nPictureWidth, env.nPictureHeight))
            m_Rows.SetItemRows(*pItem);
        answer.bRepaint = true;
    }
    m_State.ClearDrag();
    return answer;
}
