#include "calibration/scan_analysis.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <random>
#include <vector>

#include "calibration/circle_fit.h"

namespace calibration {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMmPerInch = 25.4;

// The scan as two grey planes: luminance, in which the disc stands out from
// the background, and the lowest of red, green and blue, which every ink
// (yellow included) darkens.
struct Planes {
  int32_t w = 0, h = 0;
  std::vector<uint8_t> lum, low;
};

Planes MakePlanes(const imaging::RgbImage& img) {
  Planes p;
  p.w = img.width;
  p.h = img.height;
  const size_t n = static_cast<size_t>(p.w) * p.h;
  p.lum.resize(n);
  p.low.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* c = img.pixels.data() + i * 3;
    p.lum[i] = static_cast<uint8_t>((299 * c[0] + 587 * c[1] + 114 * c[2] + 500) / 1000);
    p.low[i] = std::min({c[0], c[1], c[2]});
  }
  return p;
}

// The plane at (x, y), pixel centres at half steps, interpolated; -1
// outside the picture.
double Sample(const Planes& p, const std::vector<uint8_t>& plane, double x, double y) {
  x -= 0.5;
  y -= 0.5;
  if (!(x >= 0 && y >= 0 && x <= p.w - 1 && y <= p.h - 1)) return -1;
  const int32_t x0 = static_cast<int32_t>(x), y0 = static_cast<int32_t>(y);
  const int32_t x1 = std::min(x0 + 1, p.w - 1), y1 = std::min(y0 + 1, p.h - 1);
  const double fx = x - x0, fy = y - y0;
  auto at = [&](int32_t xx, int32_t yy) { return static_cast<double>(plane[static_cast<size_t>(yy) * p.w + xx]); };
  return (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) + (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

std::string Mm(double v) {
  char text[32];
  snprintf(text, sizeof text, "%.1f", v);
  return text;
}

// The disc found roughly, on a grid of cells of about a millimetre: the
// largest patch that differs from the picture's border.
struct RoughDisc {
  double x = 0, y = 0, r = 0;
  double background = 0, surface = 0;  // luminance
  double noise = 0;                    // the background's scatter
};

bool FindDiscRoughly(const Planes& p, int32_t cell, RoughDisc* disc, std::string* why) {
  const int32_t gw = p.w / cell, gh = p.h / cell;
  if (gw < 12 || gh < 12) {
    *why = "the picture is too small to hold a scanned disc";
    return false;
  }
  std::vector<double> mean(static_cast<size_t>(gw) * gh, 0);
  for (int32_t gy = 0; gy < gh; ++gy)
    for (int32_t gx = 0; gx < gw; ++gx) {
      double s = 0;
      for (int32_t y = gy * cell; y < (gy + 1) * cell; ++y)
        for (int32_t x = gx * cell; x < (gx + 1) * cell; ++x) s += p.lum[static_cast<size_t>(y) * p.w + x];
      mean[static_cast<size_t>(gy) * gw + gx] = s / (cell * cell);
    }
  std::vector<double> border;
  for (int32_t gx = 0; gx < gw; ++gx) border.push_back(mean[gx]), border.push_back(mean[(gh - 1) * gw + gx]);
  for (int32_t gy = 1; gy + 1 < gh; ++gy) border.push_back(mean[gy * gw]), border.push_back(mean[gy * gw + gw - 1]);
  disc->background = Median(border);
  // The background's noise, from the differences of neighbouring pixels
  // along the top and bottom rows (which uneven light leaves alone).
  std::vector<double> steps;
  for (int32_t y : {0, p.h - 1})
    for (int32_t x = 0; x + 1 < p.w; x += 2) {
      const uint8_t* row = p.lum.data() + static_cast<size_t>(y) * p.w;
      steps.push_back(fabs(static_cast<double>(row[x + 1]) - row[x]));
    }
  disc->noise = 1.4826 * Median(steps) / sqrt(2.0);

  // The largest 8-connected patch of cells further than threshold from the
  // background; its cells in *cells.
  auto largest = [&](double threshold, std::vector<int32_t>* cells) {
    std::vector<int32_t> label(mean.size(), -1);
    cells->clear();
    for (size_t start = 0; start < mean.size(); ++start) {
      if (label[start] >= 0 || fabs(mean[start] - disc->background) <= threshold) continue;
      std::vector<int32_t> patch{static_cast<int32_t>(start)};
      label[start] = static_cast<int32_t>(start);
      for (size_t k = 0; k < patch.size(); ++k) {
        const int32_t cx = patch[k] % gw, cy = patch[k] / gw;
        for (int32_t dy = -1; dy <= 1; ++dy)
          for (int32_t dx = -1; dx <= 1; ++dx) {
            const int32_t nx = cx + dx, ny = cy + dy;
            if (nx < 0 || ny < 0 || nx >= gw || ny >= gh) continue;
            const size_t n = static_cast<size_t>(ny) * gw + nx;
            if (label[n] >= 0 || fabs(mean[n] - disc->background) <= threshold) continue;
            label[n] = static_cast<int32_t>(start);
            patch.push_back(static_cast<int32_t>(n));
          }
      }
      if (patch.size() > cells->size()) cells->swap(patch);
    }
  };
  std::vector<int32_t> cells;
  largest(25, &cells);
  std::vector<double> values;
  for (int32_t c : cells) values.push_back(mean[c]);
  disc->surface = Median(values);
  if (cells.size() < 100 || fabs(disc->surface - disc->background) < 40) {
    *why = "no disc stands out from the background (scan with the lid open, or a dark sheet over the disc)";
    return false;
  }
  largest(fabs(disc->surface - disc->background) / 2, &cells);
  int32_t x0 = gw, x1 = -1, y0 = gh, y1 = -1;
  for (int32_t c : cells) {
    x0 = std::min(x0, c % gw), x1 = std::max(x1, c % gw);
    y0 = std::min(y0, c / gw), y1 = std::max(y1, c / gw);
  }
  if (x0 == 0 || y0 == 0 || x1 == gw - 1 || y1 == gh - 1) {
    *why = "the disc runs off the edge of the picture (scan the whole disc)";
    return false;
  }
  const double wx = (x1 - x0 + 1.0) * cell, wy = (y1 - y0 + 1.0) * cell;
  disc->x = (x0 + x1 + 1.0) * cell / 2;
  disc->y = (y0 + y1 + 1.0) * cell / 2;
  disc->r = (wx + wy) / 4;
  const double fill = cells.size() * double(cell) * cell / (kPi * disc->r * disc->r);
  if (wx / wy < 0.85 || wx / wy > 1.18 || fill < 0.5 || fill > 1.15) {
    *why = "nothing round the size of a disc stands out from the background (scan the whole disc with the lid "
           "open, or a dark sheet over it)";
    return false;
  }
  return true;
}

// Points of the disc's outer edge: along rays from centre, from outside
// inward, where the picture first leaves the background for at least
// 0.1 mm (noise and specks of dust do not). The background is each ray's
// own first half millimetre, since a lid left open lets in light unevenly.
// The disc's rim may be clear plastic, darker than its coating, and ink
// printed there darker still, so the edge lies half-way between the
// background and the lighter part of what lies just inside.
std::vector<Point> OuterEdge(const Planes& p, const RoughDisc& d, double cx, double cy, double r, double span,
                             double step, double px_mm) {
  const double sign = d.surface > d.background ? 1 : -1;
  const double leave = std::max(12.0, std::min(4 * d.noise, fabs(d.surface - d.background) / 4));
  const int settle = std::max(2, static_cast<int>(ceil(0.1 * px_mm / step)));
  const int inner = std::max(2, static_cast<int>(0.3 * px_mm / step));
  const int outside = std::max(3, static_cast<int>(0.5 * px_mm / step));
  std::vector<Point> points;
  std::vector<double> v, part;
  for (int ray = 0; ray < 720; ++ray) {
    const double a = ray * kPi / 360, ux = cos(a), uy = sin(a);
    v.clear();
    for (double t = r + span; t >= r - span; t -= step) v.push_back(Sample(p, p.lum, cx + t * ux, cy + t * uy));
    const int n = static_cast<int>(v.size());
    // The ray from where it enters the picture.
    int first = 0;
    while (first < n && v[first] < 0) ++first;
    if (first + outside + settle + inner >= n) continue;
    part.assign(v.begin() + first, v.begin() + first + outside);
    const double background = Median(part);
    auto departs = [&](double x) { return x >= 0 && (x - background) * sign > leave; };
    for (int i = first + outside; i + settle + inner < n; ++i) {
      if (!departs(v[i])) continue;
      int run = 1;
      while (run <= settle && departs(v[i + run])) ++run;
      if (run <= settle) continue;
      part.assign(v.begin() + i + 1, v.begin() + i + 1 + inner);
      for (double& w : part) w *= sign;
      std::nth_element(part.begin(), part.begin() + part.size() * 3 / 4, part.end());
      const double half = (background + sign * part[part.size() * 3 / 4]) / 2;
      // Back out to where the level crosses half-way, and interpolate.
      int j = i;
      while (j > first && (v[j - 1] - half) * sign > 0) --j;
      if (j == first || v[j - 1] < 0) break;
      const double f = (half - v[j - 1]) / (v[j] - v[j - 1]);
      const double re = r + span - (j - 1 + f) * step;
      points.push_back(Point{cx + re * ux, cy + re * uy});
      break;
    }
  }
  return points;
}

// Points of the hole's edge: along rays from the disc's centre, outward,
// where the picture leaves the hole's level for the disc's.
std::vector<Point> HoleEdge(const Planes& p, const Circle& disc, double hole_r, double px_mm) {
  std::vector<double> inside;
  for (int k = 0; k < 400; ++k) {
    const double a = k * 2.399963, t = 0.5 * hole_r * sqrt((k + 0.5) / 400);  // a sunflower over the middle
    const double v = Sample(p, p.lum, disc.x + t * cos(a), disc.y + t * sin(a));
    if (v >= 0) inside.push_back(v);
  }
  const double hole_level = Median(inside);
  const double step = 0.25;
  std::vector<Point> points;
  for (int ray = 0; ray < 360; ++ray) {
    const double a = ray * kPi / 180, ux = cos(a), uy = sin(a);
    std::vector<double> ring;
    for (double t = hole_r + 1.0 * px_mm; t <= hole_r + 2.5 * px_mm; t += step)
      ring.push_back(Sample(p, p.lum, disc.x + t * ux, disc.y + t * uy));
    const double ring_level = Median(ring);
    if (fabs(ring_level - hole_level) < 15) continue;
    const double half = (hole_level + ring_level) / 2, sign = ring_level > hole_level ? 1 : -1;
    double prev_t = -1, prev_v = 0;
    for (double t = 0.4 * hole_r; t <= hole_r + 1.5 * px_mm; t += step) {
      const double v = Sample(p, p.lum, disc.x + t * ux, disc.y + t * uy);
      if ((v - half) * sign > 0 && prev_t >= 0) {
        const double re = prev_t + (half - prev_v) / (v - prev_v) * (t - prev_t);
        points.push_back(Point{disc.x + re * ux, disc.y + re * uy});
        break;
      }
      prev_t = t;
      prev_v = v;
    }
  }
  return points;
}

// A thin dark line crossed by a ray: its ray and centre.
struct LinePoint {
  int ray = 0;
  Point at;
};

// Where rays from (cx, cy) cross thin printed lines between radii from and
// to (pixels): ink (how far the lowest channel falls below the disc's
// surface) that stands above the ink 0.3 mm either side. (So a line that
// runs closer than that along the edge of the disc's coating is not seen
// there.)
std::vector<LinePoint> LineCrossings(const Planes& p, double cx, double cy, int rays, double from, double to,
                                     double px_mm, double surface_low) {
  const double step = 0.04 * px_mm;
  const int w = static_cast<int>(lround(0.3 / 0.04));
  std::vector<LinePoint> found;
  std::vector<double> ink, smooth;
  for (int ray = 0; ray < rays; ++ray) {
    const double a = ray * 2 * kPi / rays, ux = cos(a), uy = sin(a);
    ink.clear();
    for (double t = from - w * step; t <= to + w * step; t += step) {
      const double v = Sample(p, p.low, cx + t * ux, cy + t * uy);
      ink.push_back(v < 0 ? 0 : surface_low - v);
    }
    const int n = static_cast<int>(ink.size());
    smooth.assign(n, 0);
    for (int i = 1; i + 1 < n; ++i) smooth[i] = (ink[i - 1] + ink[i] + ink[i + 1]) / 3;
    auto ridge = [&](int i) { return smooth[i] - std::max(smooth[i - w], smooth[i + w]); };
    for (int i = w + 1; i + w + 1 < n; ++i) {
      const double here = ridge(i);
      if (here < 30 || here < ridge(i - 1) || here <= ridge(i + 1)) continue;
      // The line's centre: the centroid of its upper half, which blur and
      // noise leave symmetric.
      const double level = smooth[i] - here / 2;
      double sum = 0, moment = 0;
      for (int k = i; k > 0 && smooth[k] > level; --k) sum += smooth[k] - level, moment += (smooth[k] - level) * k;
      for (int k = i + 1; k < n && smooth[k] > level; ++k) sum += smooth[k] - level, moment += (smooth[k] - level) * k;
      const double t = from - w * step + moment / sum * step;
      found.push_back(LinePoint{ray, Point{cx + t * ux, cy + t * uy}});
    }
  }
  return found;
}

// The printed circle of about nominal_r among the line crossings: the
// circle through three crossings that most rays agree with, then fitted to
// the crossings near it. *coverage: the share of rays that cross it.
bool FindPrintedCircle(const std::vector<LinePoint>& lines, int rays, double cx, double cy, double nominal_r,
                       double max_shift, double tolerance, Circle* circle, std::vector<Point>* points,
                       double* coverage) {
  if (lines.size() < 3) return false;
  std::mt19937 random(23);
  std::uniform_int_distribution<size_t> pick(0, lines.size() - 1);
  Circle best;
  int best_count = 0;
  auto agreeing = [&](const Circle& c, std::vector<Point>* near) {
    // At most one crossing per ray: the nearest to the circle.
    std::vector<double> off(rays, 1e9);
    std::vector<Point> at(rays);
    for (const LinePoint& l : lines) {
      const double e = fabs(hypot(l.at.x - c.x, l.at.y - c.y) - c.r);
      if (e < off[l.ray]) off[l.ray] = e, at[l.ray] = l.at;
    }
    int count = 0;
    for (int r = 0; r < rays; ++r) {
      if (off[r] > tolerance) continue;
      ++count;
      if (near) near->push_back(at[r]);
    }
    return count;
  };
  for (int iter = 0; iter < 600; ++iter) {
    const LinePoint &a = lines[pick(random)], &b = lines[pick(random)], &c = lines[pick(random)];
    const int gap = rays / 12;
    auto apart = [&](int r1, int r2) { return std::min(abs(r1 - r2), rays - abs(r1 - r2)) >= gap; };
    if (!apart(a.ray, b.ray) || !apart(b.ray, c.ray) || !apart(a.ray, c.ray)) continue;
    Circle trial;
    if (!CircleThrough(a.at, b.at, c.at, &trial)) continue;
    if (fabs(trial.r - nominal_r) > 0.05 * nominal_r || hypot(trial.x - cx, trial.y - cy) > max_shift) continue;
    const int count = agreeing(trial, nullptr);
    if (count > best_count) best_count = count, best = trial;
  }
  if (best_count < 8) return false;
  std::vector<Point> near;
  agreeing(best, &near);
  int kept = 0;
  double rms = 0;
  if (!FitCircleRobust(near, tolerance / 3, circle, &kept, &rms)) return false;
  points->clear();
  agreeing(*circle, points);
  *coverage = static_cast<double>(points->size()) / rays;
  return true;
}

// How far the label lies turned. The test disc's scales across the disc's
// edge each have a base line along a compass direction from the print's
// centre (right, down, left, up), with their ticks and numbers all on the
// side the angle grows to (clockwise on the picture). So in a window of
// angles around each compass direction, the ink summed along the radius
// first rises at the base line: its angle, less the compass direction, is
// the turn. Each scale counts by how much of its base line lies on the disc
// (an offset moves a scale off the disc's edge).
bool CompassTurn(const Planes& p, const Circle& print, double from, double to, double skip_at, double skip,
                 double edge_margin, const Circle& disc, double surface_low, double px_mm, double* turn) {
  const double window = 8 * kPi / 180, bin = 0.02 / (to / px_mm);  // 0.02 mm at the scale
  const int bins = static_cast<int>(2 * window / bin) + 1;
  const int smooth = std::max(1, static_cast<int>(0.06 / (bin * to / px_mm)));
  double sum = 0, weights = 0;
  std::vector<double> ink(bins), count(bins), profile(bins);
  for (int q = 0; q < 4; ++q) {
    const double axis = q * kPi / 2;
    std::fill(ink.begin(), ink.end(), 0.0);
    std::fill(count.begin(), count.end(), 0.0);
    for (int b = 0; b < bins; ++b) {
      const double a = axis - window + b * bin, ux = cos(a), uy = sin(a);
      for (double t = from; t <= to; t += 0.5) {
        if (fabs(t - skip_at) < skip) continue;
        const double x = print.x + t * ux, y = print.y + t * uy;
        if (hypot(x - disc.x, y - disc.y) > disc.r - edge_margin) continue;
        const double v = Sample(p, p.low, x, y);
        if (v < 0) continue;
        ink[b] += surface_low - v;
        count[b] += 1;
      }
    }
    // Too little of this scale on the disc to judge by.
    const double least = 1.0 * px_mm / 0.5;
    double peak = 0;
    for (int b = 0; b < bins; ++b) {
      double s2 = 0, c2 = 0;
      for (int k = std::max(0, b - smooth); k <= std::min(bins - 1, b + smooth); ++k) s2 += ink[k], c2 += count[k];
      profile[b] = c2 >= least * (2 * smooth + 1) ? s2 / c2 : 0;
      peak = std::max(peak, profile[b]);
    }
    if (peak < 25) continue;
    const double rise = std::max(20.0, 0.35 * peak);
    int first = 0;
    while (first < bins && profile[first] < rise) ++first;
    if (first == 0 || first == bins) continue;  // ink at the window's edge: not a base line
    // The base line's centre: the centroid of its upper half, around its top.
    int top = first;
    while (top + 1 < bins && profile[top + 1] >= profile[top]) ++top;
    const double level = profile[top] / 2;
    double w = 0, m = 0;
    for (int k = top; k >= 0 && profile[k] > level; --k) w += profile[k] - level, m += (profile[k] - level) * k;
    for (int k = top + 1; k < bins && profile[k] > level; ++k) w += profile[k] - level, m += (profile[k] - level) * k;
    const double seen = count[top];
    sum += seen * (m / w * bin - window);
    weights += seen;
  }
  if (weights <= 0) return false;
  *turn = sum / weights;
  return true;
}

// Which way is up on the label: the test disc prints its settings above
// the hub and less text below it, so its text lies mostly above the centre.
// The direction of the ink's centroid between the hub's scales and the
// outer circle, in degrees from up (turned back by turn); false when there
// is too little ink to tell.
bool LabelDirection(const Planes& p, const Circle& print, double from, double to, double turn, double surface_low,
                    double px_mm, double* degrees) {
  double sx = 0, sy = 0, total = 0;
  const double step = 0.2 * px_mm;
  for (double y = -to; y <= to; y += step)
    for (double x = -to; x <= to; x += step) {
      const double r = hypot(x, y);
      if (r < from || r > to) continue;
      const double v = Sample(p, p.low, print.x + x, print.y + y);
      if (v < 0) continue;
      const double ink = std::max(0.0, surface_low - v - 40);
      sx += ink * x, sy += ink * y, total += ink;
    }
  if (total <= 0 || hypot(sx, sy) < 0.05 * total * from) return false;
  *degrees = remainder(atan2(sy, sx) - turn + kPi / 2, 2 * kPi) * 180 / kPi;
  return true;
}

}  // namespace

bool AnalyseScan(const imaging::RgbImage& scan, double dpi, const TestDiscShape& shape, ScanFindings* findings,
                 std::string* refusal) {
  *findings = ScanFindings();
  if (scan.Empty()) {
    *refusal = "the picture is empty";
    return false;
  }
  const Planes p = MakePlanes(scan);
  const int32_t cell = dpi > 0 ? std::max(2, static_cast<int32_t>(lround(dpi / kMmPerInch)))
                               : std::max(2, std::min(p.w, p.h) / 150);
  RoughDisc rough;
  if (!FindDiscRoughly(p, cell, &rough, refusal)) return false;

  // The disc's edge: rays from the rough centre, then again from the fitted
  // one, so that they cross the edge square on.
  Circle disc{rough.x, rough.y, rough.r};
  int kept = 0;
  double rms = 0;
  const double rough_px_mm = dpi > 0 ? dpi / kMmPerInch : rough.r / (shape.disc_mm / 2);
  std::vector<Point> edge;
  for (double span : {0.15 * rough.r, 0.03 * rough.r}) {
    edge = OuterEdge(p, rough, disc.x, disc.y, disc.r, span, 0.5, rough_px_mm);
    if (edge.size() < 360 || !FitCircleRobust(edge, disc.r / 600, &disc, &kept, &rms) || kept < 432) {
      *refusal = "no round disc edge found (scan the whole disc with the lid open, or a dark sheet over it)";
      return false;
    }
  }
  findings->dpi_from_disc = dpi <= 0;
  if (dpi <= 0) dpi = 2 * disc.r / shape.disc_mm * kMmPerInch;
  const double px_mm = dpi / kMmPerInch;
  findings->dpi = dpi;
  findings->disc_mm = 2 * disc.r / px_mm;
  if (rms > 0.25 * px_mm) {
    *refusal = "the outline found is not a disc's round edge";
    return false;
  }
  if (fabs(findings->disc_mm - shape.disc_mm) > 0.03 * shape.disc_mm) {
    *refusal = "the disc measures " + Mm(findings->disc_mm) + " mm across at " + std::to_string(lround(dpi)) +
               " dpi, not " + Mm(shape.disc_mm) + " mm: is the scan's resolution right, and the disc size?";
    return false;
  }

  // The hole, which must sit in the middle of the edge.
  const double hole_r = shape.hole_mm / 2 * px_mm;
  Circle hole;
  const std::vector<Point> hole_edge = HoleEdge(p, disc, hole_r, px_mm);
  if (hole_edge.size() < 180 || !FitCircleRobust(hole_edge, 0.1 * px_mm, &hole, &kept, &rms) || kept < 150 ||
      fabs(hole.r - hole_r) > 0.1 * hole_r || hypot(hole.x - disc.x, hole.y - disc.y) > 1.0 * px_mm) {
    *refusal = "no centre hole of " + Mm(shape.hole_mm) + " mm found in the middle of the disc" +
               (findings->dpi_from_disc ? " (taking the disc for " + Mm(shape.disc_mm) + " mm across: is it another size?)"
                                        : " (a dark background behind the disc shows it best)");
    return false;
  }
  findings->hole_mm = 2 * hole.r / px_mm;

  // The printed circles, near where they belong: within 4.5 mm of the
  // disc's centre (the offsets reach 3 mm) and 5 % of their size.
  const double outer_r = shape.outer_circle_mm / 2 * px_mm, hub_r = shape.hub_circle_mm / 2 * px_mm;
  std::vector<double> surface;
  for (int k = 0; k < 2000; ++k) {
    const double a = k * 2.399963, t = hub_r + (outer_r - hub_r) * (0.2 + 0.6 * (k + 0.5) / 2000);
    const double v = Sample(p, p.low, disc.x + t * cos(a), disc.y + t * sin(a));
    if (v >= 0) surface.push_back(v);
  }
  const double surface_low = Median(surface);
  const double shift = 4.5 * px_mm, tolerance = 0.25 * px_mm;
  const int outer_rays = 720, hub_rays = 360;
  const std::vector<LinePoint> outer_lines = LineCrossings(
      p, disc.x, disc.y, outer_rays, outer_r - shift, std::min(outer_r + shift, disc.r - 0.3 * px_mm), px_mm,
      surface_low);
  const std::vector<LinePoint> hub_lines =
      LineCrossings(p, disc.x, disc.y, hub_rays, std::max(hub_r - shift, hole.r + 0.3 * px_mm), hub_r + shift,
                    px_mm, surface_low);
  Circle outer, hub;
  std::vector<Point> outer_points, hub_points;
  double outer_cover = 0, hub_cover = 0;
  if (!FindPrintedCircle(outer_lines, outer_rays, disc.x, disc.y, outer_r, shift, tolerance, &outer,
                         &outer_points, &outer_cover) ||
      outer_cover < 0.3) {
    *refusal = "no printed outer circle of " + Mm(shape.outer_circle_mm) +
               " mm found (is this a scan of the printed test disc, printed with that ring?)";
    return false;
  }
  if (!FindPrintedCircle(hub_lines, hub_rays, disc.x, disc.y, hub_r, shift, tolerance, &hub, &hub_points,
                         &hub_cover) ||
      hub_cover < 0.3 || hypot(hub.x - outer.x, hub.y - outer.y) > 0.5 * px_mm) {
    *refusal = "no printed hub circle of " + Mm(shape.hub_circle_mm) +
               " mm found around the outer circle's centre (was the test disc printed with another ring?)";
    return false;
  }

  // Where the printed outer circle runs along the disc's edge, its ink
  // hides the edge (dark on the rim, dark beyond): fit the edge again
  // without those rays.
  std::vector<Point> clear_edge;
  for (const Point& q : edge)
    if (fabs(hypot(q.x - outer.x, q.y - outer.y) - outer.r) > 0.4 * px_mm) clear_edge.push_back(q);
  Circle refit;
  if (clear_edge.size() >= 360 && FitCircleRobust(clear_edge, disc.r / 600, &refit, &kept, &rms) && kept >= 300) {
    disc = refit;
    findings->disc_mm = 2 * disc.r / px_mm;
  }

  // The label's turn, from the scales across the disc's edge: 3 mm either
  // side of where the edge lies from the print's centre.
  double turn = 0;
  const Circle print{outer.x, outer.y, outer.r};
  if (!CompassTurn(p, print, disc.r - 3.2 * px_mm, disc.r + 3.2 * px_mm, outer.r, 0.4 * px_mm, 0.4 * px_mm, disc,
                   surface_low, px_mm, &turn)) {
    *refusal = "no scales found at the compass points of the printed test disc (lay the disc with its label "
               "upright, within 5 degrees)";
    return false;
  }
  findings->rotation_deg = turn * 180 / kPi;

  double up = 0;
  if (LabelDirection(p, print, hub.r + 5 * px_mm, outer.r - 6 * px_mm, turn, surface_low, px_mm, &up) &&
      fabs(up) > 60) {
    const long quarters = ((lround(up / 90) % 4) + 4) % 4;  // clockwise
    *refusal = "the disc lay turned by about " + std::to_string(quarters * 90) +
               " degrees on the scanner: lay it with its label upright";
    return false;
  }

  // Both circles at once, in the label's own directions (turned back), with
  // their own scale across and down.
  const double ct = cos(-turn), st = sin(-turn);
  auto unturn = [&](const Point& q) {
    const double dx = q.x - disc.x, dy = q.y - disc.y;
    return Point{dx * ct - dy * st, dx * st + dy * ct};
  };
  std::vector<Point> all;
  std::vector<double> radii;
  for (const Point& q : outer_points) all.push_back(unturn(q)), radii.push_back(outer_r);
  for (const Point& q : hub_points) all.push_back(unturn(q)), radii.push_back(hub_r);
  const Point start = unturn(Point{outer.x, outer.y});
  StretchedCircles fit;
  fit.cx = start.x;
  fit.cy = start.y;
  if (!FitStretchedCircles(all, radii, tolerance / 3, &fit)) {
    *refusal = "the printed circles do not fit one centre";
    return false;
  }
  findings->offset_x_mm = fit.cx / px_mm;
  findings->offset_y_mm = fit.cy / px_mm;
  findings->scale_x = fit.sx;
  findings->scale_y = fit.sy;
  findings->circles_rms_mm = fit.rms / px_mm;

  // The ramps lie where the circles put the label.
  const LabelFrame frame{disc.x, disc.y, fit.cx, fit.cy, fit.sx, fit.sy, turn, px_mm};
  MeasureRamps(scan, frame, testdisc::RampPatches(page::DiscRing{shape.outer_circle_mm, shape.hub_circle_mm}),
               &findings->ramps);
  return true;
}

}  // namespace calibration
