// The sRGB transfer curves: pictures' code values are gamma-encoded, ink and
// light add up linearly, so separation decodes and a preview encodes.
#ifndef QUILLORY2_IMAGING_SRGB_H_
#define QUILLORY2_IMAGING_SRGB_H_

#include <math.h>

namespace imaging {

// Linear light 0..1 of an sRGB code value 0..1.
inline double SrgbToLinear(double v) { return v <= 0.04045 ? v / 12.92 : pow((v + 0.055) / 1.055, 2.4); }

// The sRGB code value 0..1 of linear light 0..1.
inline double LinearToSrgb(double l) { return l <= 0.0031308 ? 12.92 * l : 1.055 * pow(l, 1 / 2.4) - 0.055; }

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_SRGB_H_
