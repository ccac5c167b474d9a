// X reports errors after the fact: a request about a window that has just gone (ours, torn down
// while an event for it was under way, or another program's) fails later, and Xlib's standard
// reaction is to end the program. Such errors are logged and let go instead; any other error
// goes on to the handler that was in place. A connection to the display that is lost ends the
// program at once (status 1), without the clean-up that would wait on the lost display for ever.
#pragma once

namespace plat {

// Installs the handler, once; harmless when the window system is not X.
void InstallX11ErrorHandler();

} // namespace plat
