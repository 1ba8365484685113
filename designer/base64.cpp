#include "designer/base64.h"

namespace designer {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string EncodeBase64(const uint8_t* data, size_t size) {
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  for (size_t i = 0; i < size; i += 3) {
    const uint32_t n = uint32_t{data[i]} << 16 | (i + 1 < size ? uint32_t{data[i + 1]} << 8 : 0) |
                       (i + 2 < size ? data[i + 2] : 0);
    out += kAlphabet[n >> 18 & 63];
    out += kAlphabet[n >> 12 & 63];
    out += i + 1 < size ? kAlphabet[n >> 6 & 63] : '=';
    out += i + 2 < size ? kAlphabet[n & 63] : '=';
  }
  return out;
}

bool DecodeBase64(const std::string& text, size_t max_bytes, std::vector<uint8_t>* out) {
  out->clear();
  if (text.size() % 4 != 0) return false;
  size_t padding = 0;
  if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
  const size_t decoded = text.size() / 4 * 3 - padding;
  if (decoded > max_bytes) return false;
  out->reserve(decoded);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int v[4];
    for (int k = 0; k < 4; ++k) {
      const bool pad = last && k >= 4 - static_cast<int>(padding);
      v[k] = pad ? 0 : Value(text[i + k]);
      if (v[k] < 0) return false;
    }
    const uint32_t n = uint32_t(v[0]) << 18 | uint32_t(v[1]) << 12 | uint32_t(v[2]) << 6 | uint32_t(v[3]);
    out->push_back(static_cast<uint8_t>(n >> 16));
    if (!last || padding < 2) out->push_back(static_cast<uint8_t>(n >> 8));
    if (!last || padding < 1) out->push_back(static_cast<uint8_t>(n));
  }
  return true;
}

}  // namespace designer
