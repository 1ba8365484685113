#include "raster/plane_extraction.h"
