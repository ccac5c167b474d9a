// The global menu bar. Linux has none: it is always "visible", has height 0, and showing it
// does nothing.
#pragma once

namespace plat {

inline bool IsMenuBarVisible() { return true; }
inline void ShowMenuBar() {}

} // namespace plat
