// A top-level window of the window system, drawn in software. The window keeps every pixel it
// was given and shows them again when the system exposes it, so the toolkit only presents
// what changed.
#pragma once

#include "platform/Screen.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SDL_Window;

namespace plat {

class Window {
public:
    enum : uint32_t { kResizable = 1, kBorderless = 2 };

    // A hidden window with a content area of width x height; null when the window system has
    // no display or refuses.
    static std::unique_ptr<Window> Create(int32_t width, int32_t height, uint32_t flags);
    // The window with this id, or null (event routing, tests).
    static Window* FindById(uint32_t id);

    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    uint32_t GetId() const { return mId; }

    void SetTitle(const char* utf8);
    // The window's own copy, valid until the title changes.
    const char* GetTitle() const;

    // Global position of the content area's top-left corner.
    void Move(int32_t x, int32_t y);
    void Resize(int32_t width, int32_t height);
    sRect GetContentBounds() const;
    // Bounds including the window manager's frame (equal to the content without one).
    sRect GetFrameBounds() const;

    void Show();
    void Hide();
    bool IsShown() const;
    void Raise();
    void Minimize();
    void Restore();
    bool IsMinimized() const;
    void SetBorderless(bool borderless);

    // Copies `source` (in the image's coordinates) of a 0xAARRGGBB image whose rows are
    // `stride` pixels apart to (x, y) of the content and shows it. Parts outside the image or
    // the window are left out.
    void Present(const uint32_t* pixels, int32_t imageWidth, int32_t imageHeight, int32_t stride,
                 sRect source, int32_t x, int32_t y);
    // Shows every kept pixel again (expose).
    void Redraw();
    // A kept pixel (0xAARRGGBB), 0 outside: tests and screenshots read what was presented.
    uint32_t GetPixel(int32_t x, int32_t y) const;

private:
    Window(SDL_Window* window, int32_t width, int32_t height);
    void KeepSize();
    void ShowRect(sRect rect);

    SDL_Window* mWindow;
    uint32_t mId;
    int32_t mWidth;
    int32_t mHeight;
    std::vector<uint32_t> mKept;
};

} // namespace plat
