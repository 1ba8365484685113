// Assembles command streams for the decoder tests.
#ifndef QUILLORY2_TESTS_STREAM_STREAM_BUILDER_H_
#define QUILLORY2_TESTS_STREAM_STREAM_BUILDER_H_

#include <stdint.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace streamtest {

class StreamBuilder {
 public:
  // ESC followed by the text, e.g. Esc("*p12Y").
  StreamBuilder& Esc(const std::string& text) {
    bytes_.push_back(0x1B);
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  StreamBuilder& Raw(std::initializer_list<int> values) {
    for (int v : values) bytes_.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  StreamBuilder& Raw(const std::vector<uint8_t>& values) {
    bytes_.insert(bytes_.end(), values.begin(), values.end());
    return *this;
  }
  StreamBuilder& Text(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  // ESC "*b" n "W" and the n data bytes.
  StreamBuilder& Transfer(const std::vector<uint8_t>& data) {
    Esc("*b" + std::to_string(data.size()) + "W");
    return Raw(data);
  }
  StreamBuilder& Transfer(std::initializer_list<int> values) {
    std::vector<uint8_t> data;
    for (int v : values) data.push_back(static_cast<uint8_t>(v));
    return Transfer(data);
  }
  StreamBuilder& PlaneStart() { return Esc("!d4Q").Esc("*b0M"); }
  StreamBuilder& BeginDocument() {
    return Esc("!c2Q").Raw({0xFF, 0x00, 0x55, 0xAA, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80});
  }

  // The job setup every writer sends after the begin-document command.
  StreamBuilder& JobSetup(int rows_per_inch = 600) {
    return Esc("!t000Q").Esc(rows_per_inch == 600 ? "*t600R" : "*t300R").Esc("!s0Q");
  }
  StreamBuilder& EndDocument() { return Esc("!d0Q"); }

  size_t size() const { return bytes_.size(); }
  const uint8_t* data() const { return bytes_.data(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace streamtest

#endif  // QUILLORY2_TESTS_STREAM_STREAM_BUILDER_H_
