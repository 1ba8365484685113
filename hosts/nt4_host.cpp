#include "hosts/nt4_host.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

#include "hosts/nt4_module.h"
#include "tables/built_tables.h"

namespace hosts {

namespace {

// Where the spool-write callback appends, passed as the device pointer.
struct SpoolSink {
  std::vector<uint8_t> bytes;
  bool failed = false;
};

int32_t Q2_STDCALL WriteSpool(void* device, const void* bytes, int32_t count) {
  SpoolSink* sink = static_cast<SpoolSink*>(device);
  if (sink == nullptr || bytes == nullptr || count <= 0) return 0;
  // No exception may cross the module's frames.
  try {
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    sink->bytes.insert(sink->bytes.end(), p, p + count);
  } catch (const std::bad_alloc&) {
    sink->failed = true;
    return 0;
  }
  return count;
}

std::optional<tables::PrinterTable> BuiltTable(std::string* error) {
  tables::TableBytes gpc = tables::BuiltGpcTable();
  std::string why;
  std::optional<tables::PrinterTable> table = tables::PrinterTable::Parse(gpc.data, gpc.size, &why);
  if (!table) *error = "the printer description table is damaged: " + why;
  return table;
}

bool RowIsBlank(const uint8_t* row, int32_t length) {
  return std::all_of(row, row + length, [](uint8_t b) { return b == 0; });
}

std::string PageName(size_t index) { return "page " + std::to_string(index + 1); }

bool CheckPages(const std::vector<page::InkPage>& pages, int32_t rows_per_inch, int32_t page_rows,
                std::string* error) {
  if (pages.empty()) {
    *error = "the job has no pages";
    return false;
  }
  for (size_t i = 0; i < pages.size(); ++i) {
    const page::InkPage& page = pages[i];
    if (page.colour != pages[0].colour) {
      *error = "a job is either colour or monochrome, but " + PageName(i) + " is " +
               (page.colour ? "colour" : "monochrome") + " and page 1 is not";
      return false;
    }
    if (page.rows_per_inch != rows_per_inch) {
      *error = PageName(i) + " has " + std::to_string(page.rows_per_inch) +
               " rows per inch, but the job prints at " + std::to_string(rows_per_inch);
      return false;
    }
    if (page.width_dots < 0 || page.rows < 0) {
      *error = PageName(i) + " has a negative size";
      return false;
    }
    int32_t max_bytes = page.colour ? kNt4ColourScanlineBytes : kNt4MonoScanlineMaxBytes;
    if (page.BytesPerRow() > max_bytes) {
      *error = PageName(i) + " is " + std::to_string(page.width_dots) + " dots wide; a " +
               (page.colour ? "colour" : "monochrome") + " page holds at most " +
               std::to_string(max_bytes * 8) + " dots";
      return false;
    }
    if (page.rows > page_rows) {
      *error = PageName(i) + " has " + std::to_string(page.rows) + " rows; the CD page holds " +
               std::to_string(page_rows) + " at " + std::to_string(rows_per_inch) + " rows per inch";
      return false;
    }
    size_t plane_bytes = static_cast<size_t>(page.BytesPerRow()) * static_cast<size_t>(page.rows);
    for (int p = 0; p < page.PlaneCount(); ++p) {
      if (page.planes[p].size() != plane_bytes) {
        *error = PageName(i) + ": plane " + std::to_string(p) + " holds " +
                 std::to_string(page.planes[p].size()) + " bytes instead of " + std::to_string(plane_bytes);
        return false;
      }
    }
  }
  return true;
}

void SendColourPage(const Nt4Module& module, SpoolSink* sink, const page::InkPage& page,
                    int32_t page_rows) {
  std::vector<uint8_t> line(kNt4ColourScanlineBytes);
  const int32_t bytes = page.BytesPerRow();
  // The host driver renders the whole paper; rows below the image are blank.
  for (int32_t r = 0; r < page_rows; ++r) {
    for (int plane : {page::kCyan, page::kMagenta, page::kYellow}) {
      std::fill(line.begin(), line.end(), 0);
      if (r < page.rows) std::copy(page.Row(plane, r), page.Row(plane, r) + bytes, line.begin());
      if (r == 0 && plane == page::kCyan) {
        if (page.rows_per_inch == 600) {
          line[0] |= 0x40;
        } else {
          line[0] &= static_cast<uint8_t>(~0x40);
        }
      }
      module.FilterGraphics(sink, line.data(), kNt4ColourScanlineBytes);
    }
  }
}

void SendMonoPage(const Nt4Module& module, SpoolSink* sink, const page::InkPage& page,
                  const tables::PrinterTable& table, int32_t step) {
  const int32_t bytes = page.BytesPerRow();
  int32_t cursor = 0;  // the printer's row address, in 1/600 inch
  for (int32_t r = 0; r < page.rows; ++r) {
    const uint8_t* row = page.Row(page::kBlack, r);
    if (RowIsBlank(row, bytes)) continue;
    int32_t y = r * step;
    if (y != cursor) {
      std::vector<uint8_t> move = table.MoveToRow(y);
      sink->bytes.insert(sink->bytes.end(), move.begin(), move.end());
    }
    module.FilterGraphics(sink, row, bytes);
    cursor = y + step;
  }
}

}  // namespace

bool RenderNt4Job(const std::string& module_path, const std::vector<page::InkPage>& pages,
                  const Nt4JobSettings& settings, std::vector<uint8_t>* job, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  if (job == nullptr) {
    *error = "no output buffer given";
    return false;
  }
  std::optional<tables::PrinterTable> table = BuiltTable(error);
  if (!table) return false;
  if (!table->CheckOptions(settings.options, error)) return false;
  if (table->paper_sizes().empty()) {
    *error = "the printer description table has no paper size";
    return false;
  }

  // The host driver renders the paper's whole length: its rows come from
  // the table, as the host driver reads them.
  const int32_t step = table->RowStep(settings.options);
  const int32_t rows_per_inch = step == 1 ? 600 : 300;
  const int32_t page_rows = table->PageRows(settings.options);
  if (!CheckPages(pages, rows_per_inch, page_rows, error)) return false;

  std::unique_ptr<Nt4Module> module = Nt4Module::Load(module_path, error);
  if (!module) return false;
  module->InitProc();
  Q2MinidriverInit record{sizeof(Q2MinidriverInit), 1, &WriteSpool};
  if (!module->SetFuncAddr(&record)) {
    *error = "the minidriver refused its init record";
    return false;
  }

  SpoolSink sink;
  std::vector<uint8_t> setup = table->JobSetup(settings.options);
  std::vector<uint8_t> page_start = table->PageStart(settings.options);
  sink.bytes = setup;
  for (size_t i = 0; i < pages.size(); ++i) {
    sink.bytes.insert(sink.bytes.end(), page_start.begin(), page_start.end());
    if (pages[i].colour) {
      SendColourPage(*module, &sink, pages[i], page_rows);
    } else {
      SendMonoPage(*module, &sink, pages[i], *table, step);
    }
    std::vector<uint8_t> page_end = table->PageEnd();
    sink.bytes.insert(sink.bytes.end(), page_end.begin(), page_end.end());
  }
  std::vector<uint8_t> end = table->JobEnd();
  sink.bytes.insert(sink.bytes.end(), end.begin(), end.end());
  if (sink.failed) {
    *error = "out of memory while spooling the job";
    return false;
  }
  job->insert(job->end(), sink.bytes.begin(), sink.bytes.end());
  return true;
}

}  // namespace hosts
