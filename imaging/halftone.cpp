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
  for (size_t k = 0; k < t.weights.size(); ++k) {
    const std::vector<float>& across = Across(t.first + static_cast<int32_t>(k));
    const float w = t.weights[k];
    float* dst = row_.data();
    // Weights and samples are never negative, so the first product is the
    // sum that 0 plus it would give.
    if (k == 0) {
      for (size_t i = 0; i < across.size(); ++i) dst[i] = w * across[i];
    } else {
      for (size_t i = 0; i < across.size(); ++i) dst[i] += w * across[i];
    }
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

// One float per plane: the planes of a dot are diffused side by side in one
// vector register (SSE on x86, NEON on ARM; the compiler's vector extension
// falls back to scalar code elsewhere). Every lane does exactly what a
// diffuser of its own plane would, in the same order, so the dots are the
// same as one plane at a time would give.
// The error rows are plain float storage, so the type allows any alignment
// and aliasing.
typedef float Lanes __attribute__((vector_size(16), aligned(4), may_alias));
typedef int32_t LaneMask __attribute__((vector_size(16), aligned(4), may_alias));

// One serpentine row in the direction of Step (+1 left to right, -1 right to
// left). Index i + 1 of the error rows is dot i; the extra cells absorb the
// edges. The error a dot passes to the next dot of the same row is kept in a
// register (carry) rather than in the error row, which nothing else reads;
// the sums are formed in the same order as with the error row.
template <int N, int Step>
void DiffuseRow(int32_t width, const float* density, const uint8_t* printable,
                uint8_t* const* out_bits, Lanes* current, Lanes* next) {
  const Lanes half = {0.5f, 0.5f, 0.5f, 0.5f};
  const Lanes one = {1.0f, 1.0f, 1.0f, 1.0f};
  const Lanes k7 = {7.0f / 16, 7.0f / 16, 7.0f / 16, 7.0f / 16};
  const Lanes k3 = {3.0f / 16, 3.0f / 16, 3.0f / 16, 3.0f / 16};
  const Lanes k5 = {5.0f / 16, 5.0f / 16, 5.0f / 16, 5.0f / 16};
  const Lanes k1 = {1.0f / 16, 1.0f / 16, 1.0f / 16, 1.0f / 16};
  Lanes carry = {};
  bool carrying = false;  // whether the dot before was printable
  // Dots gather in a register per plane and are stored a byte at a time.
  uint32_t bits[N] = {};
  const int32_t last_in_byte = Step > 0 ? 7 : 0;
  for (int32_t n = 0; n < width; ++n) {
    const int32_t x = Step > 0 ? n : width - 1 - n;
    if (!printable || printable[x]) {
      Lanes d;
      __builtin_memcpy(&d, density + static_cast<size_t>(x) * Diffuser::kLanes, sizeof d);
      const Lanes incoming = carrying ? current[x + 1] + carry : current[x + 1];
      const Lanes value = d + incoming;
      const LaneMask dot = value >= half;
      const Lanes e = value - (Lanes)(dot & (LaneMask)one);  // ink is 1 where there is a dot
      carry = e * k7;
      next[x + 1 - Step] += e * k3;
      next[x + 1] += e * k5;
      next[x + 1 + Step] += e * k1;
      for (int p = 0; p < N; ++p) bits[p] |= static_cast<uint32_t>(dot[p] & 0x80) >> (x & 7);
      carrying = true;
    } else {
      carrying = false;
    }
    if ((x & 7) == last_in_byte || n == width - 1) {
      for (int p = 0; p < N; ++p) {
        out_bits[p][x >> 3] |= static_cast<uint8_t>(bits[p]);
        bits[p] = 0;
      }
    }
  }
}

}  // namespace

Diffuser::Diffuser(int32_t width, int planes)
    : width_(width),
      planes_(std::clamp(planes, 1, kMaxPlanes)),
      current_(static_cast<size_t>(width + 2) * kLanes, 0.0f),
      next_(static_cast<size_t>(width + 2) * kLanes, 0.0f) {}

void Diffuser::Row(const float* density, const uint8_t* printable, uint8_t* out_bits) {
  // One plane: its densities go into lane 0.
  lanes_.assign(static_cast<size_t>(width_) * kLanes, 0.0f);
  for (int32_t x = 0; x < width_; ++x) lanes_[static_cast<size_t>(x) * kLanes] = density[x];
  Rows(lanes_.data(), printable, &out_bits);
}

void Diffuser::Rows(const float* density, const uint8_t* printable, uint8_t* const* out_bits) {
  // Serpentine: even rows left to right, odd rows right to left, so that the
  // error does not drift to one side and draw diagonal worms.
  const bool forward = (row_++ & 1) == 0;
  std::fill(next_.begin(), next_.end(), 0.0f);
  Lanes* current = reinterpret_cast<Lanes*>(current_.data());
  Lanes* next = reinterpret_cast<Lanes*>(next_.data());
  if (planes_ == 3) {
    if (forward) DiffuseRow<3, 1>(width_, density, printable, out_bits, current, next);
    else DiffuseRow<3, -1>(width_, density, printable, out_bits, current, next);
  } else if (planes_ == 2) {
    if (forward) DiffuseRow<2, 1>(width_, density, printable, out_bits, current, next);
    else DiffuseRow<2, -1>(width_, density, printable, out_bits, current, next);
  } else {
    if (forward) DiffuseRow<1, 1>(width_, density, printable, out_bits, current, next);
    else DiffuseRow<1, -1>(width_, density, printable, out_bits, current, next);
  }
  current_.swap(next_);
}

}  // namespace imaging
