#include "imaging/vector_diffusion.h"

#include <algorithm>

namespace imaging {

namespace {

// The planes of a dot side by side in one vector register, as in Diffuser.
typedef float Lanes __attribute__((vector_size(16), aligned(4), may_alias));

// The ink combinations as bit masks (1 cyan, 2 magenta, 4 yellow) that make
// up each of the six quadruples, and the quadruple of a coverage.
constexpr uint8_t kQuads[6][4] = {
    {0, 1, 2, 4},  // white, cyan, magenta, yellow
    {2, 4, 5, 1},  // magenta, yellow, green, cyan
    {6, 5, 2, 4},  // red, green, magenta, yellow
    {7, 6, 5, 3},  // black, red, green, blue
    {6, 5, 3, 2},  // red, green, blue, magenta
    {1, 2, 5, 3},  // cyan, magenta, green, blue
};

// Each quadruple's four combinations, as the share of each ink in four lanes.
struct QuadVertices {
  Lanes cyan, magenta, yellow;
  int ink[4];
};
constexpr Lanes Bits(const uint8_t (&quad)[4], int bit) {
  return Lanes{(quad[0] & bit) ? 1.0f : 0.0f, (quad[1] & bit) ? 1.0f : 0.0f, (quad[2] & bit) ? 1.0f : 0.0f,
               (quad[3] & bit) ? 1.0f : 0.0f};
}
constexpr QuadVertices Vertices(const uint8_t (&quad)[4]) {
  return QuadVertices{Bits(quad, 1), Bits(quad, 2), Bits(quad, 4), {quad[0], quad[1], quad[2], quad[3]}};
}
const QuadVertices kQuadVertices[6] = {Vertices(kQuads[0]), Vertices(kQuads[1]), Vertices(kQuads[2]),
                                       Vertices(kQuads[3]), Vertices(kQuads[4]), Vertices(kQuads[5])};
// Each quadruple's combinations as a set: bit b for combination b.
constexpr uint8_t Set(const uint8_t (&quad)[4]) {
  return static_cast<uint8_t>((1u << quad[0]) | (1u << quad[1]) | (1u << quad[2]) | (1u << quad[3]));
}
constexpr uint8_t kQuadSets[6] = {Set(kQuads[0]), Set(kQuads[1]), Set(kQuads[2]),
                                  Set(kQuads[3]), Set(kQuads[4]), Set(kQuads[5])};
// The ink each combination puts on a dot, lane by lane.
const Lanes kPrinted[8] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {1, 1, 0, 0},
                           {0, 0, 1, 0}, {1, 0, 1, 0}, {0, 1, 1, 0}, {1, 1, 1, 0}};

// The nearest of a quadruple's combinations b to v: the one with the least
// sum over its inks of 1 - 2 v, since |v - b|^2 = |v|^2 + sum b_i (1 - 2 v_i).
inline int NearestInQuad(const QuadVertices& q, const Lanes& v) {
  const Lanes score = q.cyan * (1 - 2 * v[0]) + q.magenta * (1 - 2 * v[1]) + q.yellow * (1 - 2 * v[2]);
  const int a = score[1] < score[0] ? 1 : 0;
  const int b = score[3] < score[2] ? 3 : 2;
  return q.ink[score[b] < score[a] ? b : a];
}

inline int Quad(float c, float m, float y) {
  // In the terms of red, green and blue (1 - coverage), as the quadruples are
  // defined: R + G > 1 is c + m < 1, and so on. The picture's colour, not
  // the error, decides, so neighbouring dots mostly take the same branch.
  if (c + m < 1) return m + y < 1 ? (c + m + y < 1 ? 0 : 1) : 2;
  return m + y < 1 ? 5 : (c + m + y < 2 ? 4 : 3);
}

template <int N, int Step>
void DiffuseRow(int32_t width, const VectorDiffuser::Weights& w, const float* density,
                const uint8_t* printable, uint8_t* const* out_bits, Lanes* current, Lanes* next) {
  const Lanes k_next = {w.next, w.next, w.next, w.next};
  Lanes kb[3];
  for (int i = 0; i < 3; ++i) kb[i] = Lanes{w.below[i], w.below[i], w.below[i], w.below[i]};
  Lanes carry = {};
  bool carrying = false;
  uint32_t bits[N] = {};
  const int32_t last_in_byte = Step > 0 ? 7 : 0;
  for (int32_t n = 0; n < width; ++n) {
    const int32_t x = Step > 0 ? n : width - 1 - n;
    if (!printable || printable[x]) {
      Lanes d;
      __builtin_memcpy(&d, density + static_cast<size_t>(x) * VectorDiffuser::kLanes, sizeof d);
      const Lanes value = d + (carrying ? current[x + 1] + carry : current[x + 1]);
      int ink;
      if (N == 1) {
        ink = value[0] >= 0.5f ? 1 : 0;
      } else {
        const int quad = Quad(d[0], d[1], d[2]);
        // Each ink on its own gives the nearest of all eight combinations;
        // most often it is one of the quadruple's, and the search is saved.
        ink = (value[0] >= 0.5f ? 1 : 0) | (value[1] >= 0.5f ? 2 : 0) | (value[2] >= 0.5f ? 4 : 0);
        if (!((kQuadSets[quad] >> ink) & 1)) ink = NearestInQuad(kQuadVertices[quad], value);
      }
      const Lanes printed = kPrinted[ink];
      const Lanes e = value - printed;
      carry = e * k_next;
      next[x + 1 - Step] += e * kb[0];
      next[x + 1] += e * kb[1];
      next[x + 1 + Step] += e * kb[2];
      for (int p = 0; p < N; ++p) bits[p] |= static_cast<uint32_t>((ink >> p) & 1) << (7 - (x & 7));
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

VectorDiffuser::Weights VectorDiffuser::WeightsFor(int32_t rows_per_inch) {
  // Floyd and Steinberg's weights on a square cell.
  if (rows_per_inch != 600) return Weights{7 / 16.0f, {3 / 16.0f, 5 / 16.0f, 1 / 16.0f}};
  // At 600 rows per inch the next dot across is twice as far as the row
  // below, so less error goes across and more down. Of the kernels measured
  // (bench/README.md), this one gave the lowest delta E on the photographs
  // with the texture of a 50 % grey near even in both directions; kernels
  // reaching two rows down evened the texture a little more but printed
  // grainier.
  return Weights{5 / 16.0f, {3 / 16.0f, 6 / 16.0f, 2 / 16.0f}};
}

VectorDiffuser::VectorDiffuser(int32_t width, int planes, int32_t rows_per_inch)
    : width_(width),
      planes_(planes == 1 ? 1 : 3),
      weights_(WeightsFor(rows_per_inch)),
      current_(static_cast<size_t>(width + 2) * kLanes, 0.0f),
      next_(static_cast<size_t>(width + 2) * kLanes, 0.0f) {}

void VectorDiffuser::Rows(const float* density, const uint8_t* printable, uint8_t* const* out_bits) {
  // Serpentine: even rows left to right, odd rows right to left.
  const bool forward = (row_++ & 1) == 0;
  std::fill(next_.begin(), next_.end(), 0.0f);
  Lanes* current = reinterpret_cast<Lanes*>(current_.data());
  Lanes* next = reinterpret_cast<Lanes*>(next_.data());
  if (planes_ == 3) {
    if (forward) DiffuseRow<3, 1>(width_, weights_, density, printable, out_bits, current, next);
    else DiffuseRow<3, -1>(width_, weights_, density, printable, out_bits, current, next);
  } else {
    if (forward) DiffuseRow<1, 1>(width_, weights_, density, printable, out_bits, current, next);
    else DiffuseRow<1, -1>(width_, weights_, density, printable, out_bits, current, next);
  }
  current_.swap(next_);
}

}  // namespace imaging
