// The NT extension table of the minidriver: its header, and the colour and
// halftone blocks of its single model, read and checked.
#ifndef QUILLORY2_TABLES_NT_EXTENSION_H_
#define QUILLORY2_TABLES_NT_EXTENSION_H_

#include <stddef.h>
#include <stdint.h>

#include <optional>
#include <string>

#include "tables/nt_extension_format.h"

namespace tables {

// The NT extension table: header, colour block and halftone block of its
// single model.
struct NtExtTable {
  ntext::Header header;
  ntext::ColorBlock colour;
  ntext::HalftoneBlock halftone;

  // Checks the identifier ">nt<", the version, the header size, that there
  // is a model, and that each block lies inside the table with the size and
  // version its own first words give.
  static std::optional<NtExtTable> Parse(const uint8_t* data, size_t size, std::string* error);
};

}  // namespace tables

#endif  // QUILLORY2_TABLES_NT_EXTENSION_H_
