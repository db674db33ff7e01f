// Pictograms of the button faces; each draws around the origin within about +-12 pixels.
#pragma once

#include "art_style.h"

class QPainter;

namespace art {

using PictogramFn = void (*)(QPainter&, const CPalette&);

void DrawLineTool(QPainter& p, const CPalette& pal);
void DrawAreaTool(QPainter& p, const CPalette& pal);
void DrawCircleTool(QPainter& p, const CPalette& pal);
void DrawTwoCirclesTool(QPainter& p, const CPalette& pal);
void DrawPerpendicularTool(QPainter& p, const CPalette& pal);
void DrawAngleTool(QPainter& p, const CPalette& pal);
void DrawLiveFace(QPainter& p, const CPalette& pal);
void DrawFrozenFace(QPainter& p, const CPalette& pal);
void DrawColorTool(QPainter& p, const CPalette& pal);
void DrawCalibTool(QPainter& p, const CPalette& pal);
void DrawDeleteTool(QPainter& p, const CPalette& pal);
void DrawClearTool(QPainter& p, const CPalette& pal);
void DrawCsvTool(QPainter& p, const CPalette& pal);
void DrawSaveTool(QPainter& p, const CPalette& pal);
void DrawFolderTool(QPainter& p, const CPalette& pal);
void DrawGearTool(QPainter& p, const CPalette& pal);
void DrawTypeOffFace(QPainter& p, const CPalette& pal);
void DrawTypeOnFace(QPainter& p, const CPalette& pal);
void DrawThumbTool(QPainter& p, const CPalette& pal);
void DrawWhiteBalanceTool(QPainter& p, const CPalette& pal);
void DrawScaleTool(QPainter& p, const CPalette& pal);

} // namespace art
