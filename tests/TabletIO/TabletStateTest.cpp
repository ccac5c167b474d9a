#include "TabletIO/TabletState.h"

#include "platform/SdlSession.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(TabletState, ResetWritesTheDefaultsAndLeavesTheThirdReservedWord)
{
    sTabletState state;
    std::memset(&state, 0x5A, sizeof state);
    ResetTabletState(&state);
    EXPECT_EQ(state.word0, 0u);
    EXPECT_EQ(state.scaleA, 1.0f);
    EXPECT_EQ(state.scaleB, 1.0f);
    EXPECT_EQ(state.x, 0.0f);
    EXPECT_EQ(state.pressure, -1000.0f);
    EXPECT_EQ(state.tilt, 1.0f);
    EXPECT_EQ(state.direction, 0.0f);
    EXPECT_EQ(state.focusFlag, 0u);
    EXPECT_EQ(state.scaleD, 1.0f);
    EXPECT_EQ(state.reserved3, 0x5A5A5A5Au);
    SetTabletStateFlag(&state, 1);
    EXPECT_EQ(state.focusFlag, 1u);
}

TEST(TabletState, MouseDataAndTheStoredEvent)
{
    sTabletEventData mouse = MouseTabletEventData(330, 412);
    EXPECT_EQ(mouse.x, 330.0f);
    EXPECT_EQ(mouse.y, 412.0f);
    EXPECT_EQ(mouse.pressure, -1000.0f);
    EXPECT_EQ(mouse.tilt, 1.0f);
    EXPECT_EQ(mouse.direction, 0.0f);

    const sTabletEventData pen{1.5f, 2.5f, 1.0f, 1.0f, 1.25f, 0};
    sTabletState state;
    ResetTabletState(&state);
    StoreTabletEventData(&state, pen);
    EXPECT_EQ(state.x, 1.5f);
    EXPECT_EQ(state.pressure, 1.0f);
}

TEST(TabletState, TheDriverQuery)
{
    EXPECT_EQ(IsTabletDriverPresent(), 0u);
    EXPECT_NE(QueryTabletDriver(nullptr, 4), 0);
    EXPECT_EQ(StartTabletInput(), eSuccess);
    EXPECT_EQ(FlushMouseEvents(), 0);
}

// Nothing in the program flushes; the queue is fed by hand here, with SDL's dummy video driver.
TEST(TabletState, FlushDropsTheQueuedPointerEventsOnly)
{
    ASSERT_EQ(plat::SdlSession::Get().StartVideo(), plat::eDisplayResult::kOk);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    const uint32_t queued[] = {SDL_MOUSEMOTION, SDL_KEYDOWN, SDL_MOUSEBUTTONDOWN, SDL_MOUSEWHEEL,
                               SDL_MOUSEBUTTONUP, SDL_MOUSEMOTION};
    for (uint32_t type : queued) {
        SDL_Event event{};
        event.type = type;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    EXPECT_EQ(FlushMouseEvents(), 0);
    SDL_Event left[8];
    const int count = SDL_PeepEvents(left, 8, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    std::vector<uint32_t> types;
    for (int i = 0; i < count; ++i)
        types.push_back(left[i].type);
    EXPECT_EQ(types, (std::vector<uint32_t>{SDL_KEYDOWN, SDL_MOUSEWHEEL}));
}

} // namespace
