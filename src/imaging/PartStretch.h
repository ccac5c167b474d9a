// Scaling of frame-like artwork while its ends or corners keep their pixels: a three-part
// stretch along one axis and a nine-part stretch on both; middles are stretched or tiled.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

class CImage;

eResultCode StretchImageThreePart(CImage* destination, CImage* source, int32_t horizontal, int32_t tile);
eResultCode StretchImageNinePart(CImage* destination, CImage* source, int32_t tile);
