// The system's pointer: the standard arrow, shown or hidden.
#pragma once

namespace plat {

// Sets the standard arrow.
void InitCursor();
void SetCursorShown(bool shown);
bool IsCursorShown();

} // namespace plat
