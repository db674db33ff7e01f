// A point in picture pixels: x to the right, y downwards, origin at the picture's
// top-left pixel; fractional where a mouse position was mapped through the view.
#pragma once

struct DPOINT {
    double x = 0.0;
    double y = 0.0;
};

inline bool operator==(const DPOINT& a, const DPOINT& b) { return a.x == b.x && a.y == b.y; }
