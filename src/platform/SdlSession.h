// SDL is started on first use (the application object is built during static initialisation,
// before `main`) and shut down only after the application object's destructor has run.
#pragma once

#include "platform/DisplayResult.h"

namespace plat {

class SdlSession {
public:
    // The program-wide session. Constructing it starts nothing; the application object's
    // constructor asks for it, so the session's destructor runs after the application's.
    static SdlSession& Get();

    // Starts SDL's video and event parts once; kNoDisplay when there is no usable display.
    eDisplayResult StartVideo();
    bool IsVideoStarted() const { return mVideoStarted; }

    ~SdlSession();
    SdlSession(const SdlSession&) = delete;
    SdlSession& operator=(const SdlSession&) = delete;

private:
    SdlSession() = default;

    bool mVideoStarted = false;
    bool mVideoFailed = false;
};

// Headless mode: alerts are written to standard error and recorded instead of shown, and the
// clipboard is the program's own.
class HeadlessMode {
public:
    virtual ~HeadlessMode() = default;
    virtual bool IsHeadless() = 0;
};

// Puts `mode` in place (null restores the automatic choice). The caller keeps ownership.
void SetHeadlessMode(HeadlessMode* mode);
// Through the choice in use.
bool IsHeadless();

// Tests: the mode given, whatever the display.
class FixedHeadlessMode final : public HeadlessMode {
public:
    explicit FixedHeadlessMode(bool headless) : mHeadless(headless) {}
    bool IsHeadless() override { return mHeadless; }

private:
    bool mHeadless;
};

} // namespace plat
