#!/usr/bin/env python3
"""Gives each named keysym that no key of the display carries a free key code of its own, for
good. xdotool then types it through that key, instead of lending a spare key for a moment and
taking it back on its own schedule (a busy program can read the key only after the loan is over,
and then gets no letter at all).

    bind_keysyms.py KEYSYM...     (on $DISPLAY)
"""
import ctypes
import sys
from ctypes import POINTER, c_char_p, c_int, c_ubyte, c_ulong, c_void_p

x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = c_void_p
x11.XOpenDisplay.argtypes = [c_char_p]
x11.XCloseDisplay.argtypes = [c_void_p]
x11.XStringToKeysym.restype = c_ulong
x11.XStringToKeysym.argtypes = [c_char_p]
x11.XKeysymToKeycode.restype = c_ubyte
x11.XKeysymToKeycode.argtypes = [c_void_p, c_ulong]
x11.XDisplayKeycodes.argtypes = [c_void_p, POINTER(c_int), POINTER(c_int)]
x11.XGetKeyboardMapping.restype = POINTER(c_ulong)
x11.XGetKeyboardMapping.argtypes = [c_void_p, c_ubyte, c_int, POINTER(c_int)]
x11.XChangeKeyboardMapping.argtypes = [c_void_p, c_int, c_int, POINTER(c_ulong), c_int]
x11.XFree.argtypes = [c_void_p]
x11.XSync.argtypes = [c_void_p, c_int]


def main():
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("no display")
    first, last = c_int(), c_int()
    x11.XDisplayKeycodes(display, ctypes.byref(first), ctypes.byref(last))
    count = last.value - first.value + 1
    per = c_int()
    table = x11.XGetKeyboardMapping(display, first.value, count, ctypes.byref(per))
    free = [first.value + i for i in range(count)
            if all(table[i * per.value + j] == 0 for j in range(per.value))]
    x11.XFree(table)
    for name in sys.argv[1:]:
        keysym = x11.XStringToKeysym(name.encode())
        if keysym == 0:
            sys.exit("unknown keysym " + name)
        if x11.XKeysymToKeycode(display, keysym):
            continue
        if not free:
            sys.exit("no free key code for " + name)
        # The same symbol with and without Shift, as xdotool lends its keys.
        symbols = (c_ulong * 2)(keysym, keysym)
        x11.XChangeKeyboardMapping(display, free.pop(), 2, symbols, 1)
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)


if __name__ == "__main__":
    main()
