// While a key event is handled, the modifier keys count as they were when the key went down, not
// as they are by the time the program gets to it: on a busy machine Ctrl may be up again before
// the Ctrl+A that came with it is handled. Scopes nest; outside them the live state counts.
#pragma once

#include <cstdint>

class CKeyEventModifiers {
public:
    // kMod... bits of the key event being handled.
    explicit CKeyEventModifiers(uint32_t modifiers);
    ~CKeyEventModifiers();
    CKeyEventModifiers(const CKeyEventModifiers&) = delete;
    CKeyEventModifiers& operator=(const CKeyEventModifiers&) = delete;

    // The innermost scope's modifiers; null outside every scope.
    static const uint32_t* Current();

private:
    uint32_t mModifiers;
    const uint32_t* mOuter;
};
