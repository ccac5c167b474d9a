// The process skeleton: the entry point's steps, the launch events that start the application,
// the 10 ms heartbeat timer and the routing of the window system's events.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// RequestQuit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {
struct sEvent;
} // namespace plat

// Message routed when a document arrives while the application already runs: p1 = the
// application object, p2 = the address of the document path (a gCString).
inline constexpr uint32_t kOpenDocumentMessage = 0xF1000304u;
inline constexpr uint64_t kHeartbeatInterval = 10000;  // microseconds

// The body of `main`: installs the event handling and the heartbeat timer, posts the launch
// event (open documents from argv[1...], else open application), requires the application
// object, runs the loop until quit and quits the application. 0, or -1 without an application.
int AppMain(int argc, char** argv);

// The launch events. The documents are UTF-8 paths; only the first is handed over: its own path
// when it is found, else its text made absolute (so a mistyped path is reported).
int32_t OpenApplicationHandler();
int32_t OpenDocumentsHandler(const char* const* documents, size_t count);

// Hands one event of the window system to the window it belongs to, then to the application.
void DispatchPlatformEvent(const plat::sEvent& event);

// Quits the application when there is one; 0.
int32_t RequestQuit();
