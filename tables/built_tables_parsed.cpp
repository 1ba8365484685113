#include <stdexcept>

#include "tables/built_tables.h"
#include "tables/table_dump.h"

namespace tables {

const PrinterTable& BuiltPrinterTable() {
  static const PrinterTable table = [] {
    const TableBytes bytes = BuiltGpcTable();
    std::string error;
    std::optional<PrinterTable> parsed = PrinterTable::Parse(bytes.data, bytes.size, &error);
    if (!parsed) throw std::logic_error("built printer description table: " + error);
    return std::move(*parsed);
  }();
  return table;
}

const NtExtTable& BuiltNtExtension() {
  static const NtExtTable table = [] {
    const TableBytes bytes = BuiltNtExtTable();
    std::string error;
    std::optional<NtExtTable> parsed = NtExtTable::Parse(bytes.data, bytes.size, &error);
    if (!parsed) throw std::logic_error("built NT extension table: " + error);
    return *parsed;
  }();
  return table;
}

std::string DescribeBuiltTables() {
  return DescribeTables(BuiltPrinterTable(), &BuiltNtExtension(), [](int id) { return BuiltString(id); });
}

}  // namespace tables
