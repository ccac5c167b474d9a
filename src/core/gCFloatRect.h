// Float rectangle, as read from settings and resource scripts.
#pragma once

struct gCFloatRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};
