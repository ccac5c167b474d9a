#include "app/CKeyEventModifiers.h"

namespace {

const uint32_t* gCurrent = nullptr;

} // namespace

CKeyEventModifiers::CKeyEventModifiers(uint32_t modifiers) : mModifiers(modifiers), mOuter(gCurrent)
{
    gCurrent = &mModifiers;
}

CKeyEventModifiers::~CKeyEventModifiers() { gCurrent = mOuter; }

const uint32_t* CKeyEventModifiers::Current() { return gCurrent; }
