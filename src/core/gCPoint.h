// Integer and float points.
#pragma once

#include <cstdint>

struct gCPoint {
    int32_t x = 0;
    int32_t y = 0;

    void Set(int32_t newX, int32_t newY) { x = newX; y = newY; }
    int32_t operator!=(const gCPoint& other) const { return (x != other.x || y != other.y) ? 1 : 0; }
    bool operator==(const gCPoint& other) const { return x == other.x && y == other.y; }
    gCPoint& operator+=(const gCPoint& other) { x += other.x; y += other.y; return *this; }
};

inline gCPoint operator-(const gCPoint& a, const gCPoint& b) { return {a.x - b.x, a.y - b.y}; }

struct gCFloatPoint {
    float x = 0.0f;
    float y = 0.0f;

    void Set(float newX, float newY) { x = newX; y = newY; }
};
