// Reading a scan: the picture, and the resolution its file states (a PNG's
// pHYs chunk, a JPEG's JFIF density), which the measurement needs to turn
// pixels into millimetres.
#ifndef QUILLORY2_CALIBRATION_SCAN_FILE_H_
#define QUILLORY2_CALIBRATION_SCAN_FILE_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "imaging/rgb_image.h"

namespace calibration {

struct Scan {
  imaging::RgbImage picture;
  double dpi = 0;  // as the file states it; 0 when it does not
};

// The resolution stated in a PNG or JPEG file held in memory, in dots per
// inch; 0 when the file states none (or only an aspect ratio). Different
// resolutions across and down are refused, with the reason in *error.
bool StatedDpi(const uint8_t* data, size_t size, double* dpi, std::string* error);

// Reads the scan at path ("-": standard input). False with a one-line
// reason naming the file.
bool ReadScan(const std::string& path, Scan* scan, std::string* error);

}  // namespace calibration

#endif  // QUILLORY2_CALIBRATION_SCAN_FILE_H_
