// Where the layer's events go: one handler for the whole program (the toolkit's), and a hold
// on input while a modal alert is up.
#pragma once

#include "platform/Event.h"

#include <functional>

namespace plat {

using tEventHandler = std::function<void(const sEvent&)>;

void SetEventHandler(tEventHandler handler);

// Hands an event to the handler. While input is held, pointer, key, command and drop events
// are dropped; window and quit events always pass. Tests inject events through this too.
void DeliverEvent(const sEvent& event);

// While at least one hold is active, input to the program's own windows is dropped.
class InputHold {
public:
    InputHold();
    ~InputHold();
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;
};
bool IsInputHeld();

} // namespace plat
