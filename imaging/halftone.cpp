#include "imaging/halftone.h"

#include <math.h>

#include <algorithm>
#include <map>

namespace imaging {

namespace {

struct Tap {
  int32_t first = 0;
  std::vector<float> weights;
};

// Tent filter taps of every output sample along one axis.
std::vector<Tap> AxisTaps(int32_t in, int32_t out) {
  std::vector<Tap> taps(out);
  const double scale = static_cast<double>(out) / in;
  const double support = scale < 1 ? 1 / scale : 1;
  for (int32_t i = 0; i < out; ++i) {
    const double centre = (i + 0.5) / scale - 0.5;
    int32_t lo = std::max<int32_t>(0, static_cast<int32_t>(ceil(centre - support)));
    int32_t hi = std::min<int32_t>(in - 1, static_cast<int32_t>(floor(centre + support)));
    if (lo > hi) lo = hi = std::clamp<int32_t>(static_cast<int32_t>(lround(centre)), 0, in - 1);
    Tap& t = taps[i];
    t.first = lo;
    double sum = 0;
    for (int32_t j = lo; j <= hi; ++j) {
      double w = std::max(0.0, 1 - fabs(j - centre) / support);
      t.weights.push_back(static_cast<float>(w));
      sum += w;
    }
    if (sum <= 0) {
      // Only at the clipped edges can every weight vanish: take the nearest.
      std::fill(t.weights.begin(), t.weights.end(), 0.0f);
      t.weights[std::clamp<int32_t>(static_cast<int32_t>(lround(centre)), lo, hi) - lo] = 1;
      sum = 1;
    }
    for (float& w : t.weights) w = static_cast<float>(w / sum);
  }
  return taps;
}

}  // namespace

std::vector<float> Resample(const RgbImage& src, int32_t width, int32_t height) {
  std::vector<float> out(static_cast<size_t>(width) * height * 3, 1.0f);
  if (src.Empty() || width <= 0 || height <= 0) return out;
  const std::vector<Tap> xt = AxisTaps(src.width, width);
  const std::vector<Tap> yt = AxisTaps(src.height, height);
  // Each source row is filtered across once and kept while later output rows
  // still need it; rows are visited in order, so the cache stays small.
  std::map<int32_t, std::vector<float>> across;
  auto filtered = [&](int32_t sy) -> const std::vector<float>& {
    auto it = across.find(sy);
    if (it != across.end()) return it->second;
    std::vector<float> row(static_cast<size_t>(width) * 3);
    for (int32_t x = 0; x < width; ++x) {
      float acc[3] = {0, 0, 0};
      const Tap& t = xt[x];
      for (size_t k = 0; k < t.weights.size(); ++k) {
        const uint8_t* p = src.At(t.first + static_cast<int32_t>(k), sy);
        acc[0] += t.weights[k] * p[0];
        acc[1] += t.weights[k] * p[1];
        acc[2] += t.weights[k] * p[2];
      }
      for (int c = 0; c < 3; ++c) row[x * 3 + c] = acc[c] / 255.0f;
    }
    return across.emplace(sy, std::move(row)).first->second;
  };
  for (int32_t y = 0; y < height; ++y) {
    const Tap& t = yt[y];
    across.erase(across.begin(), across.lower_bound(t.first));
    float* dst = out.data() + static_cast<size_t>(y) * width * 3;
    std::fill(dst, dst + static_cast<size_t>(width) * 3, 0.0f);
    for (size_t k = 0; k < t.weights.size(); ++k) {
      const std::vector<float>& row = filtered(t.first + static_cast<int32_t>(k));
      for (size_t i = 0; i < row.size(); ++i) dst[i] += t.weights[k] * row[i];
    }
    for (size_t i = 0; i < static_cast<size_t>(width) * 3; ++i) dst[i] = std::clamp(dst[i], 0.0f, 1.0f);
  }
  return out;
}

Diffuser::Diffuser(int32_t width) : width_(width), current_(width + 2, 0.0f), next_(width + 2, 0.0f) {}

void Diffuser::Row(const float* density, const uint8_t* printable, uint8_t* out_bits) {
  // Serpentine: even rows left to right, odd rows right to left, so that the
  // error does not drift to one side and draw diagonal worms.
  const bool forward = (row_++ & 1) == 0;
  const int32_t step = forward ? 1 : -1;
  std::fill(next_.begin(), next_.end(), 0.0f);
  // Index i + 1 in the error rows is dot i; the extra cells absorb the edges.
  for (int32_t n = 0; n < width_; ++n) {
    const int32_t x = forward ? n : width_ - 1 - n;
    if (printable && !printable[x]) continue;
    const float value = density[x] + current_[x + 1];
    const float ink = value >= 0.5f ? 1.0f : 0.0f;
    if (ink > 0) out_bits[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    const float e = value - ink;
    current_[x + 1 + step] += e * (7.0f / 16);
    next_[x + 1 - step] += e * (3.0f / 16);
    next_[x + 1] += e * (5.0f / 16);
    next_[x + 1 + step] += e * (1.0f / 16);
  }
  current_.swap(next_);
}

}  // namespace imaging
