#include "raster/band_conversion.h"
