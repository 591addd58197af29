#!/usr/bin/env python3
"""Keeps WM_STATE on the Wine desktop's top-level windows, the one duty of a
window manager that Wine waits for: it shows or hides a window it thinks
managed and then waits up to 2 s for the window manager to mark it Normal or
Withdrawn. The desktop has no window manager (a reparenting one races Wine
over where a borderless popup is), so without this every window shown or
hidden cost those 2 s. Nothing is moved, framed or focused.
Runs on $DISPLAY until the server goes; says "ready" once it watches."""
import ctypes
import sys

X11 = ctypes.CDLL("libX11.so.6")
WINDOW = ctypes.c_ulong
X11.XOpenDisplay.restype = ctypes.c_void_p
X11.XOpenDisplay.argtypes = [ctypes.c_char_p]
X11.XDefaultRootWindow.restype = WINDOW
X11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
X11.XInternAtom.restype = ctypes.c_ulong
X11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
X11.XSelectInput.argtypes = [ctypes.c_void_p, WINDOW, ctypes.c_long]
X11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
X11.XChangeProperty.argtypes = [ctypes.c_void_p, WINDOW, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_void_p, ctypes.c_int]
X11.XFlush.argtypes = [ctypes.c_void_p]
X11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]

SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
UNMAP_NOTIFY, MAP_NOTIFY = 18, 19
NORMAL_STATE, WITHDRAWN_STATE = 1, 0
PROP_MODE_REPLACE = 0


class MapEvent(ctypes.Structure):
    """The head that XMapEvent and XUnmapEvent share."""
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", WINDOW), ("window", WINDOW), ("flag", ctypes.c_int)]


class Event(ctypes.Union):
    _fields_ = [("map", MapEvent), ("pad", ctypes.c_long * 24)]


# A window can be gone by the time its state is written: that is no error here.
ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
ignore_errors = ERROR_HANDLER(lambda display, error: 0)


def main():
    display = X11.XOpenDisplay(None)
    if not display:
        print("wm-state.py: cannot open the display", file=sys.stderr)
        return 1
    X11.XSetErrorHandler(ignore_errors)
    root = X11.XDefaultRootWindow(display)
    wm_state = X11.XInternAtom(display, b"WM_STATE", 0)
    X11.XSelectInput(display, root, SUBSTRUCTURE_NOTIFY_MASK)
    X11.XSync(display, 0)
    print("ready", flush=True)
    event = Event()
    while True:
        X11.XNextEvent(display, ctypes.byref(event))
        head = event.map
        # Top-level windows only; an override-redirect one (a menu, a tip)
        # has no window manager by its own choice.
        if head.event != root or head.type not in (MAP_NOTIFY, UNMAP_NOTIFY):
            continue
        if head.type == MAP_NOTIFY and head.flag:
            continue
        state = (ctypes.c_long * 2)(NORMAL_STATE if head.type == MAP_NOTIFY else WITHDRAWN_STATE, 0)
        X11.XChangeProperty(display, head.window, wm_state, wm_state, 32, PROP_MODE_REPLACE, state, 2)
        X11.XFlush(display)


if __name__ == "__main__":
    sys.exit(main())
