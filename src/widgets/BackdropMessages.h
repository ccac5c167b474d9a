// The backdrop's widget messages: the focus moving (routed through the application) and a press
// the modal widget did not take (handed to that widget). The typed senders below are the only place
// that builds the words, and DecodeBackdropMessage the only place that reads them back.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

class CBackdrop;
class CWidget;
struct gCPoint;

enum : uint32_t {
    kFocusGained = 0xF0000000,          // p1: the widget that has the focus now, p2: 0
    kFocusLost = 0xF0000001,            // p1: the widget that had it (null the first time), p2: 0
    kUnclaimedLeftPress = 0xF0000005,   // p1: the backdrop, p2: gCPoint* in the modal parent's space
    kUnclaimedMiddlePress = 0xF0000006, // as the left press
    kUnclaimedRightPress = 0xF0000007,  // as the left press
};

// The buttons of an unclaimed press, in the order of their messages.
enum class ePressButton : int32_t { kLeft = 0, kMiddle = 1, kRight = 2 };

// What a widget does with each of these messages; 0 (the default) lets the message go on.
class CBackdropMessageReceiver {
public:
    virtual ~CBackdropMessageReceiver() = default;

    virtual eResultCode OnFocusGained(CWidget*) { return eSuccess; }
    virtual eResultCode OnFocusLost(CWidget*) { return eSuccess; }
    // The point is missing only in a message sent by hand.
    virtual eResultCode OnUnclaimedPress(ePressButton, CBackdrop*, const gCPoint*) { return eSuccess; }
};

// Routed through the application (CAppBase::RouteMessage); 0 without an application.
uint32_t RouteFocusGained(CWidget* focused);
uint32_t RouteFocusLost(CWidget* previous);
// Handed to the modal widget's DispatchMessageEvent.
eResultCode SendUnclaimedPress(CWidget& modal, ePressButton button, CBackdrop& backdrop, const gCPoint& point);

// One of these messages as a call on the receiver; 0 for any other message.
uint32_t DecodeBackdropMessage(uint32_t message, uintptr_t p1, uintptr_t p2, CBackdropMessageReceiver& receiver);
