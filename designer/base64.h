// Base64 (RFC 4648, the standard alphabet with padding), for the pictures a
// template carries as data URLs.
#ifndef QUILLORY2_DESIGNER_BASE64_H_
#define QUILLORY2_DESIGNER_BASE64_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace designer {

std::string EncodeBase64(const uint8_t* data, size_t size);

// Decodes text (padding required, no blanks); false on any other character,
// a bad length, or more than max_bytes decoded (checked before decoding).
bool DecodeBase64(const std::string& text, size_t max_bytes, std::vector<uint8_t>* out);

}  // namespace designer

#endif  // QUILLORY2_DESIGNER_BASE64_H_
