// The measurement lines vexilo-cli measure reads: "TYPE x0 y0 x1 y1 ...", TYPE one of
// line, area, circle, circle2, sui, angle, points in picture pixels; and the items
// they make, as the measuring tools make them.
#pragma once

#include "app/calib/calib_entry.h"
#include "app/measure/measure_list.h"

#include <string>
#include <string_view>
#include <vector>

struct CMeasureLine {
    MeasureTool nTool = TOOL_NONE; // TOOL_NONE: a blank line or a comment ("# ...")
    std::vector<DPOINT> points;
};

// Parses one line. false, with a one-line reason, for an unknown type, a coordinate
// that is not a finite number, an odd coordinate count, or a point count the tool does
// not take (line 2, area 1 or more, circle 3, circle2 6, sui 3 or more, angle 3).
bool ParseMeasureLine(std::string_view line, CMeasureLine& measure, std::string& szProblem);

// Makes the finished items of a line with the entry's factors on a picture of the
// given size and appends them to list: one item, or for sui one perpendicular per
// point after the two base points, all on that base line.
void AppendMeasureItems(const CMeasureLine& measure, const CCalibEntry& calib, int nPictureWidth, int nPictureHeight,
                        CMeasureList& list);

// Reads a whole input of measurement lines (ended by LF or CR LF, the last one perhaps
// without its end): each line parsed and its items appended to list, in order. false
// at the first bad line, with its 1-based number and the reason; list then holds the
// items of the lines before it.
bool ReadMeasureLines(std::string_view text, const CCalibEntry& calib, int nPictureWidth, int nPictureHeight,
                      CMeasureList& list, std::size_t& nBadLine, std::string& szProblem);
