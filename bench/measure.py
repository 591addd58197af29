"""What the benchmarks measure and how: CPU and memory of a process from
/proc, single screen pixels from the X server, and a tone fed into the test
desktop's null sink whose onset the audio server itself dates."""
import ctypes
import os
import random
import statistics
import sys
import threading
import time


def _per_thread(pid, read):
    """read(task directory) for each of the process's threads, by thread id;
    a thread that ended meanwhile is left out."""
    values = {}
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            values[task] = read(f"/proc/{pid}/task/{task}")
        except OSError:
            pass
    return values


def _schedstat_seconds(task):
    with open(f"{task}/schedstat") as f:
        return int(f.read().split()[0]) / 1e9


def _voluntary_switches(task):
    with open(f"{task}/status") as f:
        for line in f:
            if line.startswith("voluntary_ctxt_switches:"):
                return int(line.split()[1])
    raise OSError("no voluntary_ctxt_switches")


def thread_cpu(pid):
    """How long each of the process's threads has run so far, in seconds, by
    thread id: the scheduler's own account, to the nanosecond. /proc's stat
    counts 10 ms ticks, which over a 10 s period is 0.1 % of a core, as much
    as a meter's whole difference from another."""
    return _per_thread(pid, _schedstat_seconds)


def thread_wakeups(pid):
    """How many times each of the process's threads has slept and been woken
    so far (by a timer, a socket or a signal), by thread id: its voluntary
    context switches. Being put back on a core after another process took
    it does not count: on a loaded machine that would count the load."""
    return _per_thread(pid, _voluntary_switches)


def between(before, after):
    """What the threads did between two thread_cpu() or thread_wakeups() of
    one process: those still there, and all of a thread that came meanwhile.
    A thread that ended (a worker pool retiring an idle thread) takes its
    count with it, which must not cancel the others' out."""
    return sum(value - before.get(task, 0) for task, value in after.items())


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def pss_kib(pid):
    """The process's proportional share of its resident pages: shared library
    pages count divided by the number of processes mapping them."""
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            if line.startswith("Pss:"):
                return int(line.split()[1])
    return 0


class Screen:
    """One pixel at a time from the X server, fast enough to time a frame."""

    def __init__(self, display):
        self.x = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(ctypes.c_char_p * 3)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.dpy = self.x.XOpenDisplay(display.encode())
        self.root = self.x.XDefaultRootWindow(self.dpy)

    def pixel(self, px, py):
        image = self.x.XGetImage(self.dpy, self.root, px, py, 1, 1, 0xFFFFFFFF, 2)
        data = ctypes.cast(ctypes.cast(image, ctypes.POINTER(ctypes.c_void_p))[2], ctypes.POINTER(ctypes.c_uint8))
        value = (data[2], data[1], data[0])
        self.x.XFree(image)
        return value


class PulseStream:
    """A blocking libpulse-simple stream of 16-bit stereo at 44100 Hz."""

    NOT_SET = 0xFFFFFFFF

    class SampleFormat(ctypes.Structure):
        _fields_ = [("format", ctypes.c_int), ("rate", ctypes.c_uint32), ("channels", ctypes.c_uint8)]

    class Attr(ctypes.Structure):
        _fields_ = [(name, ctypes.c_uint32) for name in ("maxlength", "tlength", "prebuf", "minreq", "fragsize")]

    PLAYBACK, RECORD = 1, 2

    def __init__(self, device, buffer_ms, direction=PLAYBACK):
        """`buffer_ms`: a playback stream's buffer, or a record stream's fragment."""
        self.lib = ctypes.CDLL("libpulse-simple.so.0")
        self.lib.pa_simple_new.restype = ctypes.c_void_p
        self.lib.pa_simple_new.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_char_p,
                                           ctypes.c_char_p, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p,
                                           ctypes.POINTER(ctypes.c_int)]
        self.lib.pa_simple_write.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t,
                                             ctypes.POINTER(ctypes.c_int)]
        self.lib.pa_simple_read.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t,
                                            ctypes.POINTER(ctypes.c_int)]
        self.lib.pa_simple_get_latency.restype = ctypes.c_uint64
        self.lib.pa_simple_get_latency.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
        self.lib.pa_simple_free.argtypes = [ctypes.c_void_p]
        sample_format = self.SampleFormat(3, 44100, 2)  # PA_SAMPLE_S16LE
        size = int(buffer_ms * 44.1) * 4
        attr = self.Attr(*(self.NOT_SET, size, self.NOT_SET, self.NOT_SET, self.NOT_SET) if direction == self.PLAYBACK
                         else (self.NOT_SET,) * 4 + (size,))
        error = ctypes.c_int()
        self.stream = self.lib.pa_simple_new(None, b"strip_bench", direction, device.encode(), b"tone",
                                             ctypes.byref(sample_format), None, ctypes.byref(attr), ctypes.byref(error))
        if not self.stream:
            sys.exit(f"bench: cannot open {device} (PulseAudio error {error.value})")

    def write(self, data):
        """Returns once the server has room for `data`: the writes keep their own pace."""
        self.lib.pa_simple_write(self.stream, data, len(data), None)

    def read(self, buffer):
        """Returns once `buffer` is filled: at once while the server has sent more than that."""
        self.lib.pa_simple_read(self.stream, buffer, len(buffer), None)

    def latency(self):
        """Seconds until the last sample written reaches the sink."""
        return self.lib.pa_simple_get_latency(self.stream, None) / 1e6

    def close(self):
        self.lib.pa_simple_free(self.stream)


class Feeder:
    """Keeps the null sink fed; `loud` switches silence to a tone. The onset is
    when the tone's first sample reaches the sink, as the audio server reports
    it: a feeder that timed its own writes would count every stall it ever had
    (data queued behind it) as the program's delay."""

    CHUNK = 0.005

    def __init__(self, buffer_ms=4 * 1000 * CHUNK, ahead_ms=0.0):
        """`buffer_ms`: the stream's buffer. The sink runs at about a quarter
        of its playback streams' lowest buffer, so a long one leaves the
        sink's latency to the desktop's keep-alive stream.
        `ahead_ms`: how long before a sample's time of play the sink may hand
        it to its monitor. A null sink renders a whole latency's worth at
        once, so with a long sink latency a recorder can see the tone before
        the time the server gives; taking the onset that much earlier makes
        every delay an upper bound (never less than the true one)."""
        self.ahead = ahead_ms / 1000
        frames = self.frames = round(44100 * self.CHUNK)
        self.silence = bytes(4 * frames)
        self.tone = (int(100 * 256).to_bytes(2, "little", signed=True) * 2) * frames  # amplitude 100 of 8 bits
        # A tone whose loudness climbs from amplitude 1 to 127 and starts over every 0.32 s: the bars rise,
        # then fall under their own acceleration, so a meter's picture changes on every tick.
        self.ramp = [(int(a * 256).to_bytes(2, "little", signed=True) * 2) * frames for a in range(1, 128, 2)]
        self.moving = False
        self.stream = PulseStream("vsink", buffer_ms)
        self.loud = False
        self.onset = None
        self.running = True
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        step = 0
        while self.running:
            loud = self.loud
            if loud and self.moving:
                step = (step + 1) % len(self.ramp)
                self.stream.write(self.ramp[step])
            elif loud and self.onset is None:
                # The tone begins at a random frame of the next two chunks, a
                # meter's 10 ms buffer. Meters read their sound in such blocks;
                # onsets that all fell at one place in them (the chunks keep
                # theirs for as long as the stream runs) would all be read
                # alike, early or late.
                lead = random.randrange(2 * self.frames)
                if lead >= self.frames:
                    self.stream.write(self.silence)
                    lead -= self.frames
                self.stream.write(self.silence[:4 * lead] + self.tone[4 * lead:])
                self.onset = self.first_sample_played() + lead / 44100
            else:
                self.stream.write(self.tone if loud else self.silence)
            if loud and self.onset is None:
                self.onset = self.first_sample_played()

    def first_sample_played(self):
        """The moment the tone's first sample (a chunk before the end of what
        was written) reaches the sink. Asked again when this thread was held
        up between reading the clock and the server's answer."""
        while True:
            before = time.monotonic()
            latency = self.stream.latency()
            after = time.monotonic()
            if after - before < 0.001:
                return (before + after) / 2 + latency - self.CHUNK - self.ahead

    def sound_onset(self):
        """Starts the tone and returns when its first sample reaches the sink."""
        self.onset, self.loud = None, True
        while self.onset is None:
            time.sleep(0.001)
        return self.onset

    def stop(self):
        self.running = False
        self.thread.join()
        self.stream.close()


class InputArrivals:
    """Records the sink's monitor as the meters do, in 10 ms fragments, and
    dates the tone's first loud sample: the moment the server hands the
    sound to its recorders, when it arrives at the meters' input. What a
    meter adds after it is its own delay; the time before it is the
    server's, and the same for every meter at that latency."""

    # 1 ms reads: one returns within microseconds of the delivery that brings its last byte.
    READ = bytes(4 * 44)

    def __init__(self):
        self.stream = PulseStream("vsink.monitor", 10, PulseStream.RECORD)
        self.buffer = ctypes.create_string_buffer(len(self.READ))
        self.arrival = None
        self.armed = False
        self.running = True
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        while self.running:
            self.stream.read(self.buffer)
            if self.armed and self.arrival is None and self.loud():
                self.arrival = time.monotonic()

    def loud(self):
        # 16-bit little-endian samples: the tone's high bytes are 100 (or -101), silence's 0 (or -1).
        return any(30 < high < 226 for high in self.buffer.raw[1::2])

    def arm(self):
        self.arrival, self.armed = None, True

    def stop(self):
        self.running = False
        self.thread.join()
        self.stream.close()


def wait_while(condition, seconds, pause):
    """False if `condition` still holds after `seconds`."""
    deadline = time.monotonic() + seconds
    while condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(pause)
    return True


def lamp_delays(point, feeder, screen, onsets, arrivals=None):
    """Milliseconds from each sound onset to the screen pixel at `point` (a
    meter's left lamp or the start of its left bar) changing from how it shows
    in silence; an onset is left out when the pixel was still lit before it or
    never lit. With `arrivals`, also the milliseconds from the tone's arrival
    at the input to the same pixel, where it was dated."""
    dark = screen.pixel(*point)
    lit = lambda: screen.pixel(*point) != dark
    delays, after_input = [], []
    for _ in range(onsets):
        # The lamp falls back slowly, and more slowly still on a busy machine.
        if not wait_while(lit, 2, 0.001):
            continue
        if arrivals:
            arrivals.arm()
        onset = feeder.sound_onset()
        # Polled every half millisecond: a busy loop would take a core from
        # the program it is timing on a 2-core machine.
        if wait_while(lambda: not lit(), 1, 0.0005):
            seen = time.monotonic()
            delays.append(1000 * (seen - onset))
            if arrivals and arrivals.arrival is not None:
                after_input.append(1000 * (seen - arrivals.arrival))
        time.sleep(0.2)
        feeder.loud = False
    return (delays, after_input) if arrivals else delays


def spread(values, unit):
    return (f"median {statistics.median(values):.1f} {unit}, min {min(values):.1f} {unit}, "
            f"max {max(values):.1f} {unit}")


