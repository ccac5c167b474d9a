#include "platform/Window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Real SDL windows on the dummy video driver.
TEST(Window, PresentsClippedRectanglesAndKeepsThem)
{
    auto window = plat::Window::Create(8, 4, 0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(plat::Window::FindById(window->GetId()), window.get());
    std::vector<uint32_t> image(6 * 3);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = 0xFF000000u | uint32_t(i);
    // Rows of 6 pixels; take the 2 x 2 block at (1, 1) and put it at (6, 3): one pixel fits.
    window->Present(image.data(), 6, 3, 6, {1, 1, 3, 3}, 6, 3);
    EXPECT_EQ(window->GetPixel(6, 3), 0xFF000007u);
    EXPECT_EQ(window->GetPixel(7, 3), 0xFF000008u);
    EXPECT_EQ(window->GetPixel(5, 3), 0xFF000000u);
    // A source reaching outside the image moves the destination with the cut.
    window->Present(image.data(), 6, 3, 6, {-1, 0, 2, 1}, 0, 0);
    EXPECT_EQ(window->GetPixel(0, 0), 0xFF000000u);
    EXPECT_EQ(window->GetPixel(1, 0), 0xFF000000u);
    EXPECT_EQ(window->GetPixel(2, 0), 0xFF000001u);
    EXPECT_EQ(window->GetPixel(8, 0), 0u);
    EXPECT_EQ(window->GetPixel(-1, 0), 0u);
    plat::Window* raw = window.get();
    uint32_t id = raw->GetId();
    window.reset();
    EXPECT_EQ(plat::Window::FindById(id), nullptr);
}

TEST(Window, PositionSizeTitleAndVisibility)
{
    auto window = plat::Window::Create(64, 32, plat::Window::kResizable);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->IsShown());
    window->Move(320, 392);
    window->Resize(80, 40);
    EXPECT_EQ(window->GetContentBounds(), (plat::sRect{320, 392, 400, 432}));
    window->SetTitle("Pintrel \xE2\x80\x94 Updater");
    EXPECT_STREQ(window->GetTitle(), "Pintrel \xE2\x80\x94 Updater");
    window->Show();
    EXPECT_TRUE(window->IsShown());
    window->Hide();
    EXPECT_FALSE(window->IsShown());
    EXPECT_EQ(plat::Window::Create(0, 10, 0), nullptr);
}

TEST(Window, ResizingKeepsTheOverlappingPixels)
{
    auto window = plat::Window::Create(2, 2, plat::Window::kResizable);
    ASSERT_NE(window, nullptr);
    uint32_t pixels[4] = {1, 2, 3, 4};
    window->Present(pixels, 2, 2, 2, {0, 0, 2, 2}, 0, 0);
    window->Resize(3, 1);
    EXPECT_EQ(window->GetPixel(0, 0), 1u);
    EXPECT_EQ(window->GetPixel(1, 0), 2u);
    EXPECT_EQ(window->GetPixel(2, 0), 0xFF000000u);
    EXPECT_EQ(window->GetPixel(0, 1), 0u);
}

} // namespace
