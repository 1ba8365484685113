#include "printjob/job_writer.h"

#include "page/band.h"
#include "tables/built_tables.h"

namespace printjob {
namespace {

// Appends every piece the encoder writes to the job.
class AppendingSink : public raster::ByteSink {
 public:
  explicit AppendingSink(std::vector<uint8_t>* out) : out_(out) {}
  void Write(const uint8_t* bytes, int32_t count) override {
    out_->insert(out_->end(), bytes, bytes + count);
  }

 private:
  std::vector<uint8_t>* out_;
};

}  // namespace

bool JobWriter::Load(std::string* error) {
  const tables::TableBytes built = tables::BuiltGpcTable();
  table_ = tables::PrinterTable::Parse(built.data, built.size, error);
  return table_.has_value();
}

bool JobWriter::AppendJobSetup(const page::JobOptions& options, std::vector<uint8_t>* out,
                               std::string* error) {
  if (!table_) {
    *error = "no printer description loaded";
    return false;
  }
  if (!table_->CheckOptions(options, error)) return false;
  const std::vector<uint8_t> setup = table_->JobSetup(options);
  out->insert(out->end(), setup.begin(), setup.end());
  resolution_ = options.resolution;
  return true;
}

bool JobWriter::TakesResolution(page::Resolution resolution) const {
  return !resolution_ || *resolution_ == resolution;
}

void JobWriter::AppendPage(const raster::BandView& band, const page::JobOptions& options,
                           std::vector<uint8_t>* out, int32_t margin_bytes) {
  AppendingSink sink(out);
  raster::EncodeBand(band, page::EncoderSettings(options, margin_bytes), &sink);
}

void JobWriter::AppendPage(const raster::PlanesView& planes, const page::JobOptions& options,
                           std::vector<uint8_t>* out, int32_t margin_bytes) {
  AppendingSink sink(out);
  raster::EncodePlanes(planes, page::EncoderSettings(options, margin_bytes), &sink);
}

void JobWriter::AppendJobEnd(std::vector<uint8_t>* out) const {
  if (!table_) return;
  const std::vector<uint8_t> end = table_->JobEnd();
  out->insert(out->end(), end.begin(), end.end());
}

}  // namespace printjob
