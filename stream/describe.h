// Commands in words, the one place that names them: the decoder's problems
// and job rules, the listing of `quillory2 decode`, and the tests all take
// their words from here.
#ifndef QUILLORY2_STREAM_DESCRIBE_H_
#define QUILLORY2_STREAM_DESCRIBE_H_

#include <string>

#include "stream/decoder.h"

namespace stream {

// The name of a kind of command: "row position", "media select",
// "unknown command".
const char* KindName(CommandKind kind);

// What one command does, in a few words: "plane start", "packed mode",
// "media Matte", "resolution 600", "image control 40", "unknown".
std::string Meaning(const Command& command);

// One command with what it carries, as a listing shows it after the offset
// and the bytes: "row position: row address 2", "media select: media Matte",
// "raster transfer: 10 bytes packed, row 2, dots 72..111".
std::string DescribeCommand(const Command& command);

}  // namespace stream

#endif  // QUILLORY2_STREAM_DESCRIBE_H_
