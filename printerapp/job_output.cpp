#include "printerapp/job_output.h"

#include "page/band.h"

namespace printerapp {

bool JobOutput::Load(std::string* error) { return writer_.Load(error); }

bool JobOutput::SetOptions(const page::JobOptions& options) {
  if (pages_ > 0) return false;
  options_ = options;
  return true;
}

void JobOutput::SetPosition(const page::PrintOffset& offset, const page::DiscRing& ring) {
  offset_ = offset;
  ring_ = ring;
}

bool JobOutput::SendPage(const page::InkPage& page, std::string* error) {
  page::Band band;
  bool made;
  if (offset_.Zero()) {
    made = page::MakeBand(page, /*landscape=*/false, &band, error);
  } else {
    if (pages_ == 0) {
      const page::RingLoss loss = page::LostRing(ring_, offset_, page.rows_per_inch, page::kJobWriterReach);
      if (loss.Any()) {
        const std::string text = page::DescribeRingLoss(loss);
        papplLogJob(job_, PAPPL_LOGLEVEL_WARN, "%s", text.c_str());
        papplJobSetMessage(job_, "%s", text.c_str());
      }
    }
    made = page::MakeBand(page::MovePage(page, offset_, page::kJobWriterReach), /*landscape=*/false, &band, error);
  }
  if (!made) return false;
  bytes_.clear();
  bytes_.reserve(raster::EncodedBandBound(band.View()) + 256);
  if (pages_ == 0 && !writer_.AppendJobSetup(options_, &bytes_, error)) return false;
  printjob::JobWriter::AppendPage(band.View(), options_, &bytes_, band.margin_bytes);
  if (!Write(error)) return false;
  ++pages_;
  if (counts_pages_) papplJobSetImpressionsCompleted(job_, 1);
  return true;
}

bool JobOutput::Finish(std::string* error) {
  if (pages_ == 0) return true;
  bytes_.clear();
  writer_.AppendJobEnd(&bytes_);
  return Write(error);
}

bool JobOutput::Write(std::string* error) {
  if (papplDeviceWrite(device_, bytes_.data(), bytes_.size()) < 0) {
    *error = "the printer could not be written to";
    return false;
  }
  papplDeviceFlush(device_);
  return true;
}

}  // namespace printerapp
