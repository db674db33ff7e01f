#include "app/measure/measure_recalc.h"

#include "app/measure/measure_geometry.h"

void RecalcMeasurements(CMeasureList& list, IResultRows& rows, const CCalibEntry& calib, int nPictureWidth,
                        int nPictureHeight)
{
    // Each item once: a perpendicular's group members are items of the list themselves,
    // computed from their own points, so walking the groups again gives the same results.
    for (MeasureItem& item : list) {
        if (item.Type == 0 || item.PointCount == 0)
            continue;
        if (RecalcItem(item, calib, nPictureWidth, nPictureHeight))
            rows.SetItemRows(item);
    }
}
