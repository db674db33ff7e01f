// Pictograms of the button faces; each draws around the origin within about +-12 pixels.
#pragma once

#include "art_style.h"

class QPainter;

namespace art {

using PictogramFn = void (*)(QPainter&, const Palette&);

void DrawLineTool(QPainter& p, const Palette& pal);
void DrawAreaTool(QPainter& p, const Palette& pal);
void DrawCircleTool(QPainter& p, const Palette& pal);
void DrawTwoCirclesTool(QPainter& p, const Palette& pal);
void DrawPerpendicularTool(QPainter& p, const Palette& pal);
void DrawAngleTool(QPainter& p, const Palette& pal);
void DrawLiveFace(QPainter& p, const Palette& pal);
void DrawFrozenFace(QPainter& p, const Palette& pal);
void DrawColorTool(QPainter& p, const Palette& pal);
void DrawCalibTool(QPainter& p, const Palette& pal);
void DrawDeleteTool(QPainter& p, const Palette& pal);
void DrawClearTool(QPainter& p, const Palette& pal);
void DrawCsvTool(QPainter& p, const Palette& pal);
void DrawSaveTool(QPainter& p, const Palette& pal);
void DrawFolderTool(QPainter& p, const Palette& pal);
void DrawGearTool(QPainter& p, const Palette& pal);
void DrawTypeOffFace(QPainter& p, const Palette& pal);
void DrawTypeOnFace(QPainter& p, const Palette& pal);
void DrawThumbTool(QPainter& p, const Palette& pal);
void DrawWhiteBalanceTool(QPainter& p, const Palette& pal);
void DrawScaleTool(QPainter& p, const Palette& pal);

} // namespace art
