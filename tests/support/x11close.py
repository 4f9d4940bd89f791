"""The client messages a window manager sends a window, for X servers run with none.

libX11 is loaded on the first message, so a script can import this without it.
"""
import ctypes


class _ClientMessage(ctypes.Structure):
    _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong), ('send_event', ctypes.c_int),
                ('display', ctypes.c_void_p), ('window', ctypes.c_ulong), ('message_type', ctypes.c_ulong),
                ('format', ctypes.c_int), ('l', ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [('xclient', _ClientMessage), ('pad', ctypes.c_long * 24)]


def _load_x11():
    x11 = ctypes.cdll.LoadLibrary('libX11.so.6')
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_XEvent)]
    return x11


class Display:
    """One connection to the X server `name` (bytes; None for $DISPLAY), opened on the first message."""

    def __init__(self, name=None):
        self.name = name
        self._x11 = None
        self._connection = None

    def send_protocol(self, window, protocol):
        """Sends a WM_PROTOCOLS message (WM_DELETE_WINDOW: the close button); False if the display will not open."""
        if not self._connection:
            self._x11 = self._x11 or _load_x11()
            self._connection = self._x11.XOpenDisplay(self.name)
            if not self._connection:
                return False
        x11, connection = self._x11, self._connection
        event = _XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(connection, b'WM_PROTOCOLS', 0)
        event.xclient.format = 32
        event.xclient.l[0] = x11.XInternAtom(connection, protocol, 0)
        event.xclient.l[1] = 0  # CurrentTime
        x11.XSendEvent(connection, window, 0, 0, ctypes.byref(event))
        x11.XFlush(connection)
        return True

    def close(self):
        if self._connection:
            self._x11.XCloseDisplay(self._connection)
            self._connection = None
