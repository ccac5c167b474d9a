#include "platform/Window.h"

#include "platform/SdlSession.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace plat {
namespace {

std::unordered_map<uint32_t, Window*>& Registry()
{
    static std::unordered_map<uint32_t, Window*> windows;
    return windows;
}

sRect Intersect(sRect a, sRect b)
{
    sRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom)
        return {};
    return r;
}

} // namespace

std::unique_ptr<Window> Window::Create(int32_t width, int32_t height, uint32_t flags)
{
    if (width < 1 || height < 1 || SdlSession::Get().StartVideo() != eDisplayResult::kOk)
        return nullptr;
    uint32_t sdlFlags = SDL_WINDOW_HIDDEN;
    if (flags & kResizable)
        sdlFlags |= SDL_WINDOW_RESIZABLE;
    if (flags & kBorderless)
        sdlFlags |= SDL_WINDOW_BORDERLESS;
    SDL_Window* window = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                          width, height, sdlFlags);
    if (!window)
        return nullptr;
    std::unique_ptr<Window> result(new Window(window, width, height));
    Registry()[result->mId] = result.get();
    return result;
}

Window* Window::FindById(uint32_t id)
{
    auto found = Registry().find(id);
    return found == Registry().end() ? nullptr : found->second;
}

Window::Window(SDL_Window* window, int32_t width, int32_t height)
    : mWindow(window), mId(SDL_GetWindowID(window)), mWidth(width), mHeight(height),
      mKept(size_t(width) * size_t(height), 0xFF000000u)
{
}

Window::~Window()
{
    Registry().erase(mId);
    SDL_DestroyWindow(mWindow);
}

void Window::SetTitle(const char* utf8) { SDL_SetWindowTitle(mWindow, utf8); }

const char* Window::GetTitle() const
{
    const char* title = SDL_GetWindowTitle(mWindow);
    return title ? title : "";
}

void Window::Move(int32_t x, int32_t y) { SDL_SetWindowPosition(mWindow, x, y); }

void Window::Resize(int32_t width, int32_t height)
{
    if (width < 1 || height < 1)
        return;
    SDL_SetWindowSize(mWindow, width, height);
    KeepSize();
}

sRect Window::GetContentBounds() const
{
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(mWindow, &x, &y);
    SDL_GetWindowSize(mWindow, &w, &h);
    return {x, y, x + w, y + h};
}

sRect Window::GetFrameBounds() const
{
    sRect bounds = GetContentBounds();
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(mWindow, &top, &left, &bottom, &right) == 0) {
        bounds.left -= left;
        bounds.top -= top;
        bounds.right += right;
        bounds.bottom += bottom;
    }
    return bounds;
}

void Window::Show()
{
    SDL_ShowWindow(mWindow);
    Redraw();
}

void Window::Hide() { SDL_HideWindow(mWindow); }

bool Window::IsShown() const { return (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_SHOWN) != 0; }

void Window::Raise() { SDL_RaiseWindow(mWindow); }

void Window::Minimize() { SDL_MinimizeWindow(mWindow); }

void Window::Restore() { SDL_RestoreWindow(mWindow); }

bool Window::IsMinimized() const
{
    return (SDL_GetWindowFlags(mWindow) & SDL_WINDOW_MINIMIZED) != 0;
}

void Window::SetBorderless(bool borderless)
{
    SDL_SetWindowBordered(mWindow, borderless ? SDL_FALSE : SDL_TRUE);
}

void Window::KeepSize()
{
    int w = 0, h = 0;
    SDL_GetWindowSize(mWindow, &w, &h);
    if (w == mWidth && h == mHeight)
        return;
    // The overlapping part is kept; new area is black until presented.
    std::vector<uint32_t> kept(size_t(w) * size_t(h), 0xFF000000u);
    int32_t rows = std::min(h, mHeight), columns = std::min(w, mWidth);
    for (int32_t row = 0; row < rows; ++row)
        std::memcpy(&kept[size_t(row) * size_t(w)], &mKept[size_t(row) * size_t(mWidth)],
                    size_t(columns) * sizeof(uint32_t));
    mKept.swap(kept);
    mWidth = w;
    mHeight = h;
}

void Window::Present(const uint32_t* pixels, int32_t imageWidth, int32_t imageHeight,
                     int32_t stride, sRect source, int32_t x, int32_t y)
{
    KeepSize();
    if (!pixels)
        return;
    sRect clipped = Intersect(source, {0, 0, imageWidth, imageHeight});
    x += clipped.left - source.left;
    y += clipped.top - source.top;
    source = clipped;
    // Clip against the window, then carry the cut back to the source.
    sRect target = Intersect({x, y, x + source.Width(), y + source.Height()}, {0, 0, mWidth, mHeight});
    if (target.Width() <= 0)
        return;
    int32_t fromX = source.left + (target.left - x), fromY = source.top + (target.top - y);
    for (int32_t row = 0; row < target.Height(); ++row)
        std::memcpy(&mKept[size_t(target.top + row) * size_t(mWidth) + size_t(target.left)],
                    &pixels[size_t(fromY + row) * size_t(stride) + size_t(fromX)],
                    size_t(target.Width()) * sizeof(uint32_t));
    ShowRect(target);
}

void Window::Redraw()
{
    KeepSize();
    ShowRect({0, 0, mWidth, mHeight});
}

uint32_t Window::GetPixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= mWidth || y >= mHeight)
        return 0;
    return mKept[size_t(y) * size_t(mWidth) + size_t(x)];
}

void Window::ShowRect(sRect rect)
{
    SDL_Surface* surface = SDL_GetWindowSurface(mWindow);
    if (!surface)
        return;
    rect = Intersect(rect, {0, 0, std::min(mWidth, surface->w), std::min(mHeight, surface->h)});
    if (rect.Width() <= 0)
        return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
        return;
    uint8_t* destination = static_cast<uint8_t*>(surface->pixels) +
                           size_t(rect.top) * size_t(surface->pitch) +
                           size_t(rect.left) * surface->format->BytesPerPixel;
    // The surface is usually ARGB8888 or XRGB8888 (the same words); anything else is converted.
    SDL_ConvertPixels(rect.Width(), rect.Height(), SDL_PIXELFORMAT_ARGB8888,
                      &mKept[size_t(rect.top) * size_t(mWidth) + size_t(rect.left)],
                      int(size_t(mWidth) * sizeof(uint32_t)), surface->format->format,
                      destination, surface->pitch);
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    SDL_Rect shown{rect.left, rect.top, rect.Width(), rect.Height()};
    SDL_UpdateWindowSurfaceRects(mWindow, &shown, 1);
}

} // namespace plat
