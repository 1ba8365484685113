#include "imaging/halftone.h"

#include <math.h>
#include <string.h>

#include <algorithm>

namespace imaging {

std::vector<RowResampler::Tap> RowResampler::AxisTaps(int32_t in, int32_t out) {
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

RowResampler::RowResampler(const RgbImage& src, int32_t width, int32_t height)
    : src_(src),
      width_(width),
      xt_(AxisTaps(src.width, width)),
      yt_(AxisTaps(src.height, height)),
      row_(static_cast<size_t>(width) * 3) {}

const std::vector<float>& RowResampler::Across(int32_t sy) {
  for (auto& entry : across_) {
    if (entry.first == sy) return entry.second;
  }
  std::vector<float> row(static_cast<size_t>(width_) * 3);
  for (int32_t x = 0; x < width_; ++x) {
    float acc[3] = {0, 0, 0};
    const Tap& t = xt_[x];
    const uint8_t* p = src_.At(t.first, sy);
    for (size_t k = 0; k < t.weights.size(); ++k, p += 3) {
      acc[0] += t.weights[k] * p[0];
      acc[1] += t.weights[k] * p[1];
      acc[2] += t.weights[k] * p[2];
    }
    for (int c = 0; c < 3; ++c) row[x * 3 + c] = acc[c] / 255.0f;
  }
  across_.emplace_back(sy, std::move(row));
  return across_.back().second;
}

const float* RowResampler::Row(int32_t y) {
  const Tap& t = yt_[y];
  // Source rows above this output row's taps are not needed again.
  across_.erase(std::remove_if(across_.begin(), across_.end(),
                               [&](const auto& entry) { return entry.first < t.first; }),
                across_.end());
  std::fill(row_.begin(), row_.end(), 0.0f);
  for (size_t k = 0; k < t.weights.size(); ++k) {
    const std::vector<float>& across = Across(t.first + static_cast<int32_t>(k));
    const float w = t.weights[k];
    float* dst = row_.data();
    for (size_t i = 0; i < across.size(); ++i) dst[i] += w * across[i];
  }
  for (float& v : row_) v = std::clamp(v, 0.0f, 1.0f);
  return row_.data();
}

std::vector<float> Resample(const RgbImage& src, int32_t width, int32_t height) {
  std::vector<float> out(static_cast<size_t>(std::max(width, 0)) * std::max(height, 0) * 3, 1.0f);
  if (src.Empty() || width <= 0 || height <= 0) return out;
  RowResampler rows(src, width, height);
  for (int32_t y = 0; y < height; ++y) {
    const float* row = rows.Row(y);
    std::copy(row, row + static_cast<size_t>(width) * 3, out.begin() + static_cast<size_t>(y) * width * 3);
  }
  return out;
}

namespace {

// One serpentine row of N planes in the direction of Step (+1 left to
// right, -1 right to left). Index i + 1 of a plane's error rows is dot i;
// the extra cells absorb the edges. The error a dot passes to the next dot
// of the same row is kept in a register (carry) rather than in the error
// row, which nothing else reads; the sums are formed in the same order as
// with the error row, so every dot comes out the same.
template <int N, int Step>
void DiffuseRow(int32_t width, const float* density, const uint8_t* printable,
                uint8_t* const* out_bits, float* const* current, float* const* next) {
  float carry[N];
  bool carrying = false;  // whether the dot before was printable
  for (int32_t n = 0; n < width; ++n) {
    const int32_t x = Step > 0 ? n : width - 1 - n;
    if (printable && !printable[x]) {
      carrying = false;
      continue;
    }
    for (int p = 0; p < N; ++p) {
      const float incoming = carrying ? current[p][x + 1] + carry[p] : current[p][x + 1];
      const float value = density[static_cast<size_t>(p) * width + x] + incoming;
      const float ink = value >= 0.5f ? 1.0f : 0.0f;
      if (ink > 0) out_bits[p][x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      const float e = value - ink;
      carry[p] = e * (7.0f / 16);
      next[p][x + 1 - Step] += e * (3.0f / 16);
      next[p][x + 1] += e * (5.0f / 16);
      next[p][x + 1 + Step] += e * (1.0f / 16);
    }
    carrying = true;
  }
}

template <int N>
void DiffuseRowBothWays(bool forward, int32_t width, const float* density, const uint8_t* printable,
                        uint8_t* const* out_bits, float* const* current, float* const* next) {
  if (forward) DiffuseRow<N, 1>(width, density, printable, out_bits, current, next);
  else DiffuseRow<N, -1>(width, density, printable, out_bits, current, next);
}

}  // namespace

Diffuser::Diffuser(int32_t width, int planes)
    : width_(width),
      planes_(planes),
      current_(static_cast<size_t>(width + 2) * planes, 0.0f),
      next_(static_cast<size_t>(width + 2) * planes, 0.0f) {}

void Diffuser::Row(const float* density, const uint8_t* printable, uint8_t* out_bits) {
  Rows(density, printable, &out_bits);
}

void Diffuser::Rows(const float* density, const uint8_t* printable, uint8_t* const* out_bits) {
  // Serpentine: even rows left to right, odd rows right to left, so that the
  // error does not drift to one side and draw diagonal worms.
  const bool forward = (row_++ & 1) == 0;
  std::fill(next_.begin(), next_.end(), 0.0f);
  float* current[3];
  float* next[3];
  const int planes = std::min(planes_, 3);
  for (int p = 0; p < planes; ++p) {
    current[p] = current_.data() + static_cast<size_t>(p) * (width_ + 2);
    next[p] = next_.data() + static_cast<size_t>(p) * (width_ + 2);
  }
  if (planes == 3) DiffuseRowBothWays<3>(forward, width_, density, printable, out_bits, current, next);
  else if (planes == 2) DiffuseRowBothWays<2>(forward, width_, density, printable, out_bits, current, next);
  else DiffuseRowBothWays<1>(forward, width_, density, printable, out_bits, current, next);
  current_.swap(next_);
}

}  // namespace imaging
