#include "calibration/circle_fit.h"

#include <math.h>

#include <algorithm>

namespace calibration {

namespace {

// Solves the n x n system a x = b (n <= 4) by elimination with partial
// pivoting; false when it is singular.
bool Solve(int n, double a[4][4], double b[4], double x[4]) {
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int row = col + 1; row < n; ++row)
      if (fabs(a[row][col]) > fabs(a[pivot][col])) pivot = row;
    if (fabs(a[pivot][col]) < 1e-12) return false;
    std::swap(a[col], a[pivot]);
    std::swap(b[col], b[pivot]);
    for (int row = col + 1; row < n; ++row) {
      const double f = a[row][col] / a[col][col];
      for (int k = col; k < n; ++k) a[row][k] -= f * a[col][k];
      b[row] -= f * b[col];
    }
  }
  for (int row = n - 1; row >= 0; --row) {
    double s = b[row];
    for (int k = row + 1; k < n; ++k) s -= a[row][k] * x[k];
    x[row] = s / a[row][row];
  }
  return true;
}

// The algebraic fit (x^2 + y^2 + D x + E y + F = 0 in least squares), on
// points moved to their mean so that the sums stay well conditioned: a good
// start for the geometric fit.
bool AlgebraicFit(const std::vector<Point>& p, Circle* c) {
  if (p.size() < 3) return false;
  double mx = 0, my = 0;
  for (const Point& q : p) mx += q.x, my += q.y;
  mx /= p.size();
  my /= p.size();
  double a[4][4] = {}, b[4] = {}, x[4];
  for (const Point& q : p) {
    const double u = q.x - mx, v = q.y - my, z = u * u + v * v;
    const double row[3] = {u, v, 1};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) a[i][j] += row[i] * row[j];
      b[i] -= row[i] * z;
    }
  }
  if (!Solve(3, a, b, x)) return false;
  c->x = mx - x[0] / 2;
  c->y = my - x[1] / 2;
  const double r2 = x[0] * x[0] / 4 + x[1] * x[1] / 4 - x[2];
  if (r2 <= 0) return false;
  c->r = sqrt(r2);
  return true;
}

// Gauss-Newton on the geometric distances, from the algebraic start.
void GeometricFit(const std::vector<Point>& p, Circle* c) {
  for (int iter = 0; iter < 20; ++iter) {
    double a[4][4] = {}, b[4] = {}, x[4];
    for (const Point& q : p) {
      const double dx = q.x - c->x, dy = q.y - c->y, d = hypot(dx, dy);
      if (d < 1e-9) continue;
      const double j[3] = {-dx / d, -dy / d, -1};
      const double res = d - c->r;
      for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) a[i][k] += j[i] * j[k];
        b[i] -= j[i] * res;
      }
    }
    if (!Solve(3, a, b, x)) return;
    c->x += x[0];
    c->y += x[1];
    c->r += x[2];
    if (fabs(x[0]) + fabs(x[1]) + fabs(x[2]) < 1e-6) return;
  }
}

// The scatter of residuals, robustly: 1.4826 times their median magnitude.
double Scatter(std::vector<double> residuals) {
  for (double& r : residuals) r = fabs(r);
  std::nth_element(residuals.begin(), residuals.begin() + residuals.size() / 2, residuals.end());
  return 1.4826 * residuals[residuals.size() / 2];
}

}  // namespace

bool CircleThrough(const Point& a, const Point& b, const Point& c, Circle* circle) {
  const double d = 2 * (a.x * (b.y - c.y) + b.x * (c.y - a.y) + c.x * (a.y - b.y));
  if (fabs(d) < 1e-9) return false;
  const double a2 = a.x * a.x + a.y * a.y, b2 = b.x * b.x + b.y * b.y, c2 = c.x * c.x + c.y * c.y;
  circle->x = (a2 * (b.y - c.y) + b2 * (c.y - a.y) + c2 * (a.y - b.y)) / d;
  circle->y = (a2 * (c.x - b.x) + b2 * (a.x - c.x) + c2 * (b.x - a.x)) / d;
  circle->r = hypot(a.x - circle->x, a.y - circle->y);
  return true;
}

bool FitCircleRobust(const std::vector<Point>& points, double min_tolerance, Circle* circle, int* kept,
                     double* rms) {
  std::vector<Point> use = points;
  for (int round = 0; round < 4; ++round) {
    if (use.size() < 8 || !AlgebraicFit(use, circle)) return false;
    GeometricFit(use, circle);
    std::vector<double> res;
    for (const Point& q : points) res.push_back(hypot(q.x - circle->x, q.y - circle->y) - circle->r);
    std::vector<double> in_use;
    for (const Point& q : use) in_use.push_back(hypot(q.x - circle->x, q.y - circle->y) - circle->r);
    const double tolerance = std::max(min_tolerance, 3 * Scatter(in_use));
    use.clear();
    for (size_t i = 0; i < points.size(); ++i)
      if (fabs(res[i]) <= tolerance) use.push_back(points[i]);
  }
  if (use.size() < 8 || !AlgebraicFit(use, circle)) return false;
  GeometricFit(use, circle);
  double sum = 0;
  for (const Point& q : use) sum += pow(hypot(q.x - circle->x, q.y - circle->y) - circle->r, 2);
  *kept = static_cast<int>(use.size());
  *rms = sqrt(sum / use.size());
  return true;
}

bool FitStretchedCircles(const std::vector<Point>& points, const std::vector<double>& radii, double min_tolerance,
                         StretchedCircles* fit) {
  auto residual = [&](const double q[4], size_t i) {
    const double u = (points[i].x - q[0]) / q[2], v = (points[i].y - q[1]) / q[3];
    // Scaled back to the points' units, so that tolerances mean distances.
    return (hypot(u, v) - radii[i]) * (q[2] + q[3]) / 2;
  };
  double q[4] = {fit->cx, fit->cy, 1, 1};
  std::vector<bool> use(points.size(), true);
  for (int round = 0; round < 5; ++round) {
    for (int iter = 0; iter < 20; ++iter) {
      double a[4][4] = {}, b[4] = {}, x[4];
      for (size_t i = 0; i < points.size(); ++i) {
        if (!use[i]) continue;
        const double r0 = residual(q, i);
        double j[4];
        for (int k = 0; k < 4; ++k) {
          double t[4] = {q[0], q[1], q[2], q[3]};
          const double h = k < 2 ? 1e-3 : 1e-6;
          t[k] += h;
          j[k] = (residual(t, i) - r0) / h;
        }
        for (int m = 0; m < 4; ++m) {
          for (int k = 0; k < 4; ++k) a[m][k] += j[m] * j[k];
          b[m] -= j[m] * r0;
        }
      }
      if (!Solve(4, a, b, x)) return false;
      for (int k = 0; k < 4; ++k) q[k] += x[k];
      if (fabs(x[0]) + fabs(x[1]) < 1e-6 && fabs(x[2]) + fabs(x[3]) < 1e-9) break;
    }
    std::vector<double> res;
    for (size_t i = 0; i < points.size(); ++i)
      if (use[i]) res.push_back(residual(q, i));
    if (res.size() < 16) return false;
    if (round == 4) break;  // the last round fits the points the one before kept
    const double tolerance = std::max(min_tolerance, 3 * Scatter(res));
    for (size_t i = 0; i < points.size(); ++i) use[i] = fabs(residual(q, i)) <= tolerance;
  }
  double sum = 0;
  int n = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    if (!use[i]) continue;
    sum += pow(residual(q, i), 2);
    ++n;
  }
  if (n < 16 || !(q[2] > 0.5 && q[2] < 2 && q[3] > 0.5 && q[3] < 2)) return false;
  *fit = StretchedCircles{q[0], q[1], q[2], q[3], sqrt(sum / n), n};
  return true;
}

}  // namespace calibration
