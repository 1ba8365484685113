// Circles fitted to edge points, for the scan analysis: least squares that
// shrug off the points of things that are not the circle (ink over the
// disc's edge, the scales, a letter of the label).
#ifndef QUILLORY2_CALIBRATION_CIRCLE_FIT_H_
#define QUILLORY2_CALIBRATION_CIRCLE_FIT_H_

#include <vector>

namespace calibration {

struct Point {
  double x = 0, y = 0;
};

struct Circle {
  double x = 0, y = 0, r = 0;
};

// The circle through the points that fits best (geometric distance), with
// points further off than about three times the typical scatter (but never
// nearer than min_tolerance) left out. *kept counts the points used, *rms
// their distance from the circle. False with fewer than 8 points left.
bool FitCircleRobust(const std::vector<Point>& points, double min_tolerance, Circle* circle, int* kept,
                     double* rms);

// The circle through three points; false when they lie on a line.
bool CircleThrough(const Point& a, const Point& b, const Point& c, Circle* circle);

// Points on circles of nominal radii with one centre, stretched by sx across
// and sy down: (x - cx)^2 / sx^2 + (y - cy)^2 / sy^2 = radius^2. Fits cx, cy,
// sx, sy (start from *centre, scales 1), leaving out points off by more than
// about three times the scatter. False when the fit does not settle.
struct StretchedCircles {
  double cx = 0, cy = 0, sx = 1, sy = 1;
  double rms = 0;  // distance of the kept points, in the points' units
  int kept = 0;
};
bool FitStretchedCircles(const std::vector<Point>& points, const std::vector<double>& radii, double min_tolerance,
                         StretchedCircles* fit);

}  // namespace calibration

#endif  // QUILLORY2_CALIBRATION_CIRCLE_FIT_H_
