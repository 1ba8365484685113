#include "printerapp/job_output.h"

#include <errno.h>
#include <string.h>

#include <mutex>
#include <set>

#include "page/band.h"

namespace printerapp {
namespace {

std::mutex complete_mutex;
std::set<pappl_device_t*> complete_devices;

}  // namespace

bool WriteToDevice(pappl_device_t* device, const uint8_t* data, size_t size, std::string* error) {
  // PAPPL keeps small writes in a buffer and drops the error of writing it
  // out; its count of bytes written tells whether they all arrived.
  pappl_devmetrics_t before, after;
  papplDeviceGetMetrics(device, &before);
  errno = 0;
  const ssize_t written = papplDeviceWrite(device, data, size);
  papplDeviceFlush(device);
  const int reason = errno;
  papplDeviceGetMetrics(device, &after);
  if (written < 0 || after.write_bytes - before.write_bytes != size) {
    *error = "the printer did not take all " + std::to_string(size) + " bytes" +
             (reason != 0 ? std::string(": ") + strerror(reason) : "");
    return false;
  }
  return true;
}

void MarkDeviceComplete(pappl_device_t* device) {
  std::lock_guard<std::mutex> lock(complete_mutex);
  complete_devices.insert(device);
}

bool TakeDeviceComplete(pappl_device_t* device) {
  std::lock_guard<std::mutex> lock(complete_mutex);
  return complete_devices.erase(device) > 0;
}

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
  if (!made) {
    failed_ = true;
    return false;
  }
  bytes_.clear();
  bytes_.reserve(raster::EncodedBandBound(band.View()) + 256);
  if (pages_ == 0 && !writer_.AppendJobSetup(options_, &bytes_, error)) return false;
  printjob::JobWriter::AppendPage(band.View(), options_, &bytes_, band.margin_bytes);
  if (!Write(error)) {
    failed_ = true;
    return false;
  }
  ++pages_;
  if (counts_pages_) papplJobSetImpressionsCompleted(job_, 1);
  return true;
}

bool JobOutput::Finish(std::string* error) {
  if (pages_ == 0) return true;
  bytes_.clear();
  writer_.AppendJobEnd(&bytes_);
  if (!Write(error)) return false;
  if (!failed_ && !papplJobIsCanceled(job_)) MarkDeviceComplete(device_);
  return true;
}

bool JobOutput::Write(std::string* error) {
  return WriteToDevice(device_, bytes_.data(), bytes_.size(), error);
}

}  // namespace printerapp
