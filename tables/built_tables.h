// The minidriver's resources as generated at build time, compiled into the
// program, so that the host stand-ins and tools have them without files.
// On Windows the same bytes go into the minidriver module as resources.
#ifndef QUILLORY2_TABLES_BUILT_TABLES_H_
#define QUILLORY2_TABLES_BUILT_TABLES_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "tables/nt_extension.h"
#include "tables/printer_table.h"
#include "tables/string_resource.h"

namespace tables {

struct TableBytes {
  const uint8_t* data;
  size_t size;
};

// The printer description table (resource type 257, id 1).
TableBytes BuiltGpcTable();
// The NT extension table (resource type 257, id 2).
TableBytes BuiltNtExtTable();
// String id's text in UTF-8; empty when the string table has no such id.
std::string BuiltString(int id);
// Every string of the string table, in id order.
std::vector<StringEntry> BuiltStrings();

// The built tables, parsed once. The build's tests hold them to the format,
// so a failure here means a broken build: it throws std::logic_error with
// the reader's message.
const PrinterTable& BuiltPrinterTable();
const NtExtTable& BuiltNtExtension();
// DescribeTables() of the built tables, names from the built strings.
std::string DescribeBuiltTables();

}  // namespace tables

#endif  // QUILLORY2_TABLES_BUILT_TABLES_H_
