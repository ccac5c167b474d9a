#include "platform/EventDispatch.h"
#include "platform/SdlEventSource.h"
#include "platform/SdlSession.h"
#include "platform/Window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

// Synthetic SDL events through the translation, with SDL's dummy video driver.
class SdlEventSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(plat::SdlSession::Get().StartVideo(), plat::eDisplayResult::kOk);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        plat::SetEventHandler([this](const plat::sEvent& event) { events.push_back(event); });
    }
    void TearDown() override { plat::SetEventHandler(nullptr); }

    SDL_Event Key(uint32_t type, SDL_Scancode scancode, SDL_Keycode symbol, uint16_t mod = 0)
    {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = 7;
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = symbol;
        event.key.keysym.mod = mod;
        return event;
    }

    std::vector<plat::sEvent> events;
    plat::SdlEventSource& source = plat::SdlEventSource::Get();
};

TEST_F(SdlEventSourceTest, KeyDownCarriesTheTypedTextAndKeyUpTheKeySymbol)
{
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    SDL_strlcpy(text.text.text, "\xC3\xA9", sizeof(text.text.text));
    SDL_PushEvent(&text);
    source.Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_E, SDLK_e));
    source.Handle(Key(SDL_KEYUP, SDL_SCANCODE_E, SDLK_e, KMOD_LSHIFT));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, plat::eEventKind::kKeyDown);
    EXPECT_EQ(events[0].keyCode, 14);
    EXPECT_EQ(events[0].character, 0xE9u);
    EXPECT_EQ(events[0].windowId, 7u);
    EXPECT_EQ(events[1].kind, plat::eEventKind::kKeyUp);
    EXPECT_EQ(events[1].character, uint32_t('E'));
    EXPECT_EQ(events[1].modifiers, plat::kModShift);
    // The text was taken with its key, not delivered a second time.
    SDL_Event left;
    EXPECT_EQ(SDL_PeepEvents(&left, 1, SDL_PEEKEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT), 0);
}

TEST_F(SdlEventSourceTest, AModifierKeyLeavesTheTextOfTheKeyAfterIt)
{
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    SDL_strlcpy(text.text.text, "G", sizeof(text.text.text));
    SDL_PushEvent(&text);
    source.Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT));
    source.Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_G, SDLK_g, KMOD_LSHIFT));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].character, 0u);
    EXPECT_EQ(events[1].character, uint32_t('G'));
    SDL_Event left;
    EXPECT_EQ(SDL_PeepEvents(&left, 1, SDL_PEEKEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT), 0);
}

TEST_F(SdlEventSourceTest, AKeyWithoutTextLeavesTheTextOfALaterKeyQueuedBehindIt)
{
    SDL_Event later = Key(SDL_KEYDOWN, SDL_SCANCODE_X, SDLK_x);
    SDL_PushEvent(&later);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    SDL_strlcpy(text.text.text, "x", sizeof(text.text.text));
    SDL_PushEvent(&text);
    source.Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, KMOD_LCTRL));
    (void)source.Pump(0);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].character, uint32_t('a'));
    EXPECT_EQ(events[0].modifiers, plat::kModCommand);
    EXPECT_EQ(events[1].character, uint32_t('x'));
    EXPECT_EQ(events[1].modifiers, 0u);
}

TEST_F(SdlEventSourceTest, SpecialKeysAndRepeat)
{
    SDL_Event repeat = Key(SDL_KEYDOWN, SDL_SCANCODE_LEFT, SDLK_LEFT);
    repeat.key.repeat = 1;
    source.Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE));
    source.Handle(repeat);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].keyCode, 53);
    EXPECT_EQ(events[0].character, 27u);
    EXPECT_EQ(events[1].kind, plat::eEventKind::kKeyRepeat);
    EXPECT_EQ(events[1].keyCode, 123);
    EXPECT_EQ(events[1].character, 28u);
}

TEST_F(SdlEventSourceTest, CtrlShortcutsBecomeCommands)
{
    struct sCase {
        SDL_Scancode scancode;
        SDL_Keycode symbol;
        uint32_t command;
    };
    const sCase cases[] = {
        {SDL_SCANCODE_X, SDLK_x, plat::FourCharCode("cut ")},
        {SDL_SCANCODE_C, SDLK_c, plat::FourCharCode("copy")},
        {SDL_SCANCODE_V, SDLK_v, plat::FourCharCode("past")},
        {SDL_SCANCODE_Q, SDLK_q, plat::FourCharCode("quit")},
    };
    for (const sCase& c : cases) {
        events.clear();
        source.Handle(Key(SDL_KEYDOWN, c.scancode, c.symbol, KMOD_LCTRL));
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, plat::eEventKind::kCommand);
        EXPECT_EQ(events[0].command, c.command);
    }
    // Other Ctrl keys stay keys, with the key's own letter.
    events.clear();
    source.Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, KMOD_LCTRL));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, plat::eEventKind::kKeyDown);
    EXPECT_EQ(events[0].character, uint32_t('a'));
    EXPECT_EQ(events[0].modifiers, plat::kModCommand);
}

TEST_F(SdlEventSourceTest, PointerEventsCarryContentAndGlobalPoints)
{
    auto window = plat::Window::Create(64, 32, 0);
    ASSERT_NE(window, nullptr);
    window->Move(100, 50);
    SDL_Event down{};
    down.type = SDL_MOUSEBUTTONDOWN;
    down.button.windowID = window->GetId();
    down.button.button = SDL_BUTTON_RIGHT;
    down.button.x = 5;
    down.button.y = 6;
    source.Handle(down);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = window->GetId();
    wheel.wheel.y = 2;
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    source.Handle(wheel);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, plat::eEventKind::kMouseDown);
    EXPECT_EQ(events[0].button, 2u);
    EXPECT_EQ(events[0].x, 5);
    EXPECT_EQ(events[0].globalX, 105);
    EXPECT_EQ(events[0].globalY, 56);
    EXPECT_EQ(events[1].kind, plat::eEventKind::kMouseWheel);
    EXPECT_EQ(events[1].wheelY, -2);
}

TEST_F(SdlEventSourceTest, DroppedFilesArriveAsOneList)
{
    SDL_Event begin{};
    begin.type = SDL_DROPBEGIN;
    begin.drop.windowID = 3;
    source.Handle(begin);
    for (const char* path : {"/tmp/a.pnu", "/tmp/b c.txt"}) {
        SDL_Event file{};
        file.type = SDL_DROPFILE;
        file.drop.file = SDL_strdup(path);
        source.Handle(file);
    }
    EXPECT_TRUE(events.empty());
    SDL_Event complete{};
    complete.type = SDL_DROPCOMPLETE;
    source.Handle(complete);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, plat::eEventKind::kFilesDropped);
    EXPECT_EQ(events[0].windowId, 3u);
    EXPECT_EQ(events[0].paths, (std::vector<std::string>{"/tmp/a.pnu", "/tmp/b c.txt"}));
}

TEST_F(SdlEventSourceTest, CloseAndQuitAndHeldInput)
{
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = 9;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    {
        plat::InputHold hold;
        EXPECT_TRUE(plat::IsInputHeld());
        source.Handle(Key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE));
        source.Handle(close);
        source.Handle(quit);
    }
    EXPECT_FALSE(plat::IsInputHeld());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, plat::eEventKind::kWindowClose);
    EXPECT_EQ(events[0].windowId, 9u);
    EXPECT_EQ(events[1].kind, plat::eEventKind::kQuit);
}

TEST_F(SdlEventSourceTest, PumpDeliversQueuedEvents)
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_GE(source.Pump(0), 1u);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().kind, plat::eEventKind::kQuit);
}

} // namespace
