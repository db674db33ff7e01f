// Recalculation of every finished measurement when the calibration entry in force
// changes (another one chosen, or one edited), with its rows in the results list.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/measure/measure_list.h"
#include "app/measure/result_rows_sink.h"

// Every finished item's results again with the entry's factors and unit, from its
// stored geometry, and its rows rewritten; polygons are counted again on the picture
// shown now. Angles, and polygons that cannot be drawn, keep their results and rows.
void RecalcMeasurements(CMeasureList& list, IResultRows& rows, const CCalibEntry& calib, int nPictureWidth,
                        int nPictureHeight);
