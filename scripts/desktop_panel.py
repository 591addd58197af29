"""A panel for the native test desktop, as desktop panels are: a dock window
across the top of the screen that reserves its height (a strut), so that the
window manager's work area leaves it out. Runs until it is killed.

    /usr/bin/python3 desktop_panel.py HEIGHT
"""
import sys

from Xlib import X, Xatom, Xutil, display


def main():
    height = int(sys.argv[1])
    d = display.Display()
    screen = d.screen()
    width = screen.width_in_pixels
    panel = screen.root.create_window(0, 0, width, height, 0, screen.root_depth, X.InputOutput, X.CopyFromParent,
                                      background_pixel=0x303030)
    atom = d.intern_atom
    panel.set_wm_name("test panel")
    panel.set_wm_class("panel", "TestPanel")
    # Placed by its owner, as panels are; the window manager would centre it.
    panel.set_wm_normal_hints(flags=Xutil.USPosition | Xutil.USSize, x=0, y=0, width=width, height=height)
    panel.change_property(atom("_NET_WM_WINDOW_TYPE"), Xatom.ATOM, 32, [atom("_NET_WM_WINDOW_TYPE_DOCK")])
    # left, right, top, bottom; then the start and end of each edge's span.
    panel.change_property(atom("_NET_WM_STRUT"), Xatom.CARDINAL, 32, [0, 0, height, 0])
    panel.change_property(atom("_NET_WM_STRUT_PARTIAL"), Xatom.CARDINAL, 32,
                          [0, 0, height, 0, 0, 0, 0, 0, 0, width - 1, 0, 0])
    panel.map()
    d.flush()
    while True:
        d.next_event()


if __name__ == "__main__":
    main()
