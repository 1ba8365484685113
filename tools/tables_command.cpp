// quillory2 tables: the built-in printer description in readable form.
#include <optional>
#include <sstream>
#include <string>

#include "files/write_file.h"
#include "tables/built_tables.h"
#include "tables/table_dump.h"
#include "tools/command.h"

namespace tools {
namespace {

int RunTables() {
  std::string error;
  const tables::TableBytes gpc = tables::BuiltGpcTable();
  std::optional<tables::PrinterTable> table = tables::PrinterTable::Parse(gpc.data, gpc.size, &error);
  if (!table) return Fail("the built-in printer description table is damaged: " + error);
  const tables::TableBytes ext_bytes = tables::BuiltNtExtTable();
  std::optional<tables::NtExtTable> ext = tables::NtExtTable::Parse(ext_bytes.data, ext_bytes.size, &error);
  if (!ext) return Fail("the built-in NT extension table is damaged: " + error);
  std::ostringstream out;
  out << tables::DescribeTables(*table, &*ext, [](int id) { return tables::BuiltString(id); });
  out << "\nString table (language 1033):\n";
  for (const tables::StringEntry& e : tables::BuiltStrings()) {
    out << "  " << e.id << "\t\"" << e.text << "\"\n";
  }
  return files::WriteStandardOutput(out.str(), &error) ? 0 : Fail(error);
}

}  // namespace

Command AddTablesCommand(CLI::App* program) {
  CLI::App* cmd = program->add_subcommand("tables",
                                          "Print the printer description table, strings and NT extension "
                                          "table in readable form");
  cmd->footer("Example:\n  quillory2 tables | less");
  return {cmd, [] { return RunTables(); }};
}

}  // namespace tools
