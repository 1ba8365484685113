// The tables written for people: commands as text, and a readable dump of
// every record, list and option (`quillory2 tables`).
#ifndef QUILLORY2_TABLES_TABLE_DUMP_H_
#define QUILLORY2_TABLES_TABLE_DUMP_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "tables/nt_extension.h"
#include "tables/printer_table.h"

namespace tables {

// The printer's commands written for people: ESC as "ESC", printable text in
// quotes, other bytes in hex, e.g. ESC "*t600R" or ESC "!c2Q" FF 00 55 ...
std::string CommandText(const std::vector<uint8_t>& bytes);

// A readable dump: every record with its fields, the lists, each option with
// its name and command bytes, the job commands for the default options, and
// the NT extension table when given (ext may be null).
std::string DescribeTables(const PrinterTable& table, const NtExtTable* ext,
                           const StringLookup& strings);

}  // namespace tables

#endif  // QUILLORY2_TABLES_TABLE_DUMP_H_
