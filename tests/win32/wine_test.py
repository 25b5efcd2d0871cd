#!/usr/bin/env python3
"""Tastra.exe under Wine on a virtual X display, driven through a serial line.

One Wine prefix serves the whole suite (made by the "prefix" case); COM5 is
mapped to one end of a socat pseudo-terminal pair, and this script is the
terminal on the other end. Notepad receives the keys; probe.exe reads its
text back. Every wait has a generous limit and ends as soon as the condition
holds.

    wine_test.py BUILD_DIR prefix|typing|console|close|second-start|german|options
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

BUILD = os.path.abspath(sys.argv[1])
CASE = sys.argv[2]
WINDOWS = os.path.join(BUILD, "windows")
TASTRA = os.path.join(WINDOWS, "tastra.exe")
PROBE = os.path.join(WINDOWS, "probe.exe")
HOME = os.path.join(BUILD, "win32-wine")
PREFIX = os.path.join(HOME, "prefix")
LOCALES = os.path.join(HOME, "locale")
LINE = os.path.join(HOME, "line")
TITLE = "Tastra v1.00"
LIMIT_MS = 30000

IDC_PORT, IDC_STATUS, IDC_CONNECT, IDC_BAUD = 1000, 1006, 1007, 1010


def environment(lang="C.UTF-8"):
    env = dict(os.environ)
    for name in ("LC_ALL", "LC_MESSAGES", "LANGUAGE"):
        env.pop(name, None)
    env.update(WINEPREFIX=PREFIX, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", LANG=lang,
               LOCPATH=LOCALES)
    return env


ENV = environment()


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def run(*args, env=None, timeout=120):
    # Output goes to files, not pipes: Wine's server and services, started by
    # the first Wine program, inherit the descriptors and would hold a pipe open.
    with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
        result = subprocess.run(list(args), env=env or ENV, stdout=out, stderr=err, timeout=timeout)
        out.seek(0)
        err.seek(0)
        result.stdout, result.stderr = out.read(), err.read()
    return result


def probe(*args):
    result = run("wine", PROBE, *[str(a) for a in args])
    return result.returncode, result.stdout.strip()


def text_of(hex_units):
    return "".join(chr(int(u, 16)) for u in hex_units.split())


def hex_of(text):
    return " ".join("%04X" % ord(c) for c in text)


def dialog_text(item):
    status, out = probe("item", item)
    if status != 0:
        fail("cannot read control %d of Tastra's dialog" % item)
    return text_of(out)


def make_prefix():
    shutil.rmtree(HOME, ignore_errors=True)
    os.makedirs(LOCALES)
    os.makedirs(LINE)
    # Wine takes its language from the C library's locale, which must exist.
    german = run("localedef", "-i", "de_DE", "-f", "UTF-8", os.path.join(LOCALES, "de_DE.UTF-8"))
    if german.returncode not in (0, 1):  # 1: made, with warnings
        print(german.stderr)
    steps = [
        ["wineboot", "-i"],
        # COM5 is the test line; Wine's mount manager links dosdevices/com5
        # to it and lists it under HARDWARE\DEVICEMAP\SERIALCOMM.
        ["wine", "reg", "add", r"HKLM\Software\Wine\Ports", "/v", "COM5", "/d", os.path.join(LINE, "tastra-end"), "/f"],
        # A port Tastra cannot name with one digit, which it must leave out.
        ["wine", "reg", "add", r"HKLM\Software\Wine\Ports", "/v", "COM12", "/d", os.path.join(LINE, "tastra-end"), "/f"],
        # Without a window manager, managed windows delay every exit by 2 s.
        ["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"],
        ["wineserver", "-w"],
    ]
    for step in steps:
        result = run(*step, timeout=300)
        if result.returncode != 0:
            fail("%s: %s" % (" ".join(step), result.stderr[-2000:]))


LINES = []  # every socat started, ended however the case ends


class Terminal:
    """The far end of the line: writes what the terminal's user types, reads what Tastra sends."""

    def __init__(self):
        for name in ("tastra-end", "terminal-end"):
            if os.path.lexists(os.path.join(LINE, name)):
                os.unlink(os.path.join(LINE, name))
        self.socat = subprocess.Popen(
            ["socat", "pty,raw,echo=0,link=%s/tastra-end" % LINE, "pty,raw,echo=0,link=%s/terminal-end" % LINE],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        LINES.append(self.socat)
        wait_until(lambda: os.path.exists(os.path.join(LINE, "terminal-end")), "the pseudo-terminal pair")
        self.fd = os.open(os.path.join(LINE, "terminal-end"), os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        self.received = b""

    def send(self, data):
        os.write(self.fd, data)

    def expect(self, data, what):
        def arrived():
            try:
                self.received += os.read(self.fd, 4096)
            except BlockingIOError:
                pass
            return data in self.received
        wait_until(arrived, what)
        # What follows stays for the next expectation.
        self.received = self.received[self.received.index(data) + len(data):]

    def close(self):
        os.close(self.fd)
        self.socat.kill()
        self.socat.wait()


def wait_until(condition, what, limit_s=LIMIT_MS / 1000):
    end = time.monotonic() + limit_s
    while not condition():
        if time.monotonic() > end:
            fail("timed out waiting for " + what)
        time.sleep(0.02)


def start(program, *args, env=None):
    return subprocess.Popen(["wine", program, *args], env=env or ENV, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def start_tastra(env=None, *args):
    process = start(TASTRA, *args, env=env)
    if probe("wait-ready", LIMIT_MS)[0] != 0:
        fail("Tastra's window did not appear")
    return process


def start_notepad():
    start("notepad")
    if probe("wait-window", "Notepad", "-", LIMIT_MS)[0] != 0:
        fail("Notepad did not start")


def connect(terminal):
    if probe("select", "COM5:")[0] != 0:
        fail("COM5 is not in the port list")
    if dialog_text(IDC_PORT) != "COM5: Serial4":
        fail("the port list names COM5 %r" % dialog_text(IDC_PORT))
    probe("click", IDC_CONNECT)
    terminal.expect(b"\x1b[c\x00", "the handshake")
    terminal.expect(b"Tastra v1.00 is connected!\r\n", "the greeting")


def focus(window_class):
    if probe("focus", window_class, LIMIT_MS)[0] != 0:
        fail(window_class + " did not get the keyboard")


def notepad_text():
    status, out = probe("text", "Notepad", "Edit")
    return text_of(out) if status == 0 else None


# Bytes the terminal sends, and what each row adds to Notepad's text, written
# down from the terminal's key table rather than from Tastra's code.
# Rows run in order on one document; a row that moves the caret brings it
# back to the end (Ctrl+E is End).
TYPING = [
    ("printable ASCII", bytes(range(0x20, 0x7F)), "".join(chr(c) for c in range(0x20, 0x7F))),
    ("Latin-1", bytes(range(0xA0, 0x100)), "".join(chr(c) for c in range(0xA0, 0x100))),
    ("euro sign", b"\x80", "\u20ac"),
    ("Return, once", b"a\rb", "a\r\nb"),
    ("Tab, once", b"\tc", "\tc"),
    ("Backspace deletes one", b"xy\x08z", "xz"),
    ("Delete deletes one", b"pq\x1b[D\x7f", "p"),
    ("left and right", b"13\x1b[D2\x1b[C4", "1234"),
    ("Home, End", b"\rxy\x1b[Hh\x05e", "\r\nhxye"),
    ("Ctrl+Q is Home", b"\rb\x11a\x05c", "\r\nabc"),
    ("up and down", b"\rK\rL\x1b[AM\x1b[B\x05N", "\r\nKM\r\nLN"),
    ("Escape types nothing", b"\x1b", ""),
    ("Ctrl specials", bytes([1, 2, 3, 4, 7, 0x0C, 0x0F, 0x10, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A]),
     "\u00aa\u00bd\u00a9\u2206\u2265\u00a3\u00b9\u00b1\u00ae\u2264\u00be\u221e\u00bc\u00a4\u00d7\u00a5\u00f7"),
    ("Ctrl bytes without a character", bytes([6, 0x0A, 0x0B, 0x0E, 0x1C, 0x1D, 0x1E, 0x1F]), ""),
    ("last", b".", "."),
]


def case_typing():
    terminal = Terminal()
    start_notepad()
    start_tastra()
    if (dialog_text(IDC_CONNECT), dialog_text(IDC_STATUS)) != ("Connect", "Connection is closed!"):
        fail("English texts expected, got %r" % [dialog_text(IDC_CONNECT), dialog_text(IDC_STATUS)])
    ports = [text_of(line) for line in probe("items")[1].splitlines()]
    if "COM5: Serial4" not in ports or any(port.startswith("COM1") and port[4] != ":" for port in ports):
        fail("the port list is %r" % ports)
    connect(terminal)
    focus("Notepad")
    expected = ""
    for name, sent, added in TYPING:
        expected += added
        terminal.send(sent)
        # The whole document must match: a key typed twice anywhere shows.
        status, out = probe("wait-suffix", "Notepad", "Edit", hex_of(expected), LIMIT_MS)
        got = text_of(out)
        if got != expected:
            fail("%s: Notepad holds %r, expected %r" % (name, got[-60:], expected[-60:]))
    # PF1 brings Tastra to the front, and again hides it.
    terminal.send(b"\x1bOP")
    if probe("wait-foreground", TITLE, LIMIT_MS)[0] != 0:
        fail("PF1 did not bring Tastra to the front")
    terminal.send(b"\x1bOP")
    wait_until(lambda: probe("visible", TITLE)[1] == "0", "PF1 to hide Tastra")
    probe("click", IDC_CONNECT)
    terminal.expect(b"Connection is closed!\r\n\n", "the farewell")
    terminal.close()


# A console program reading key events (probe.exe console-log): each byte
# arrives as one key press, virtual key and character, written down by hand.
CONSOLE = [
    (b"a\xe4\x80", ["00:0061", "00:00E4", "00:20AC"]),
    (b"\x08\r\t", ["08:0008", "0D:000D", "09:0009"]),
    (b"\x1b[A\x1b[B\x1b[C\x1b[D\x7f\x05\x11", ["26:0000", "28:0000", "27:0000", "25:0000", "2E:0000", "23:0000", "24:0000"]),
    (b"\x01\x1b", ["00:00AA", "1B:001B"]),
]


def case_console():
    terminal = Terminal()
    log = os.path.join(HOME, "console.log")
    if os.path.exists(log):
        os.unlink(log)
    start("wineconsole", PROBE, "console-log", "Z:" + log.replace("/", "\\"))
    if probe("wait-window", "WineConsoleClass", "-", LIMIT_MS)[0] != 0:
        fail("the console did not open")
    start_tastra()
    connect(terminal)
    focus("WineConsoleClass")
    expected = []
    for sent, keys in CONSOLE:
        terminal.send(sent)
        expected += keys

        def logged():
            with open(log) as f:
                return f.read().split()
        wait_until(lambda: len(logged()) >= len(expected), "the console's keys %s" % keys)
        if logged() != expected:
            fail("the console read %s, expected %s" % (logged(), expected))
    terminal.close()


def case_close():
    # Each row: whether Notepad holds unsaved text when PF4 arrives.
    for modified in (False, True):
        terminal = Terminal()
        start_notepad()
        start_tastra()
        connect(terminal)
        focus("Notepad")
        if modified:
            terminal.send(b"unsaved")
            wait_until(lambda: notepad_text() == "unsaved", "the text in Notepad")
        terminal.send(b"\x1bOS")
        if not modified:
            if probe("wait-window", "Notepad", "-", LIMIT_MS, "gone")[0] != 0:
                fail("PF4 did not close an unchanged Notepad")
        else:
            # Notepad asks whether to save; Tastra goes on answering meanwhile.
            wait_until(lambda: "#32770" in probe("owned", "Notepad")[1].split(), "Notepad's question")
            status, took = probe("ping", TITLE, 5000)
            if status != 0:
                fail("Tastra does not answer while Notepad asks (%s ms)" % took)
            terminal.send(b"\x1bOP")
            if probe("wait-foreground", TITLE, LIMIT_MS)[0] != 0:
                fail("Tastra handles no terminal input while Notepad asks")
            if notepad_text() != "unsaved":
                fail("Notepad lost its text: %r" % notepad_text())
        stop_wine()
        terminal.close()


def case_second_start():
    first = start_tastra()
    if probe("hide", TITLE)[0] != 0:
        fail("cannot hide Tastra")
    second = start(TASTRA)
    try:
        second.wait(timeout=LIMIT_MS / 1000)
    except subprocess.TimeoutExpired:
        fail("the second start did not end")
    if second.returncode != 0:
        fail("the second start ended with %d" % second.returncode)
    if probe("wait-foreground", TITLE, LIMIT_MS)[0] != 0:
        fail("the second start did not raise the first")
    if first.poll() is not None:
        fail("the first Tastra ended")


def case_german():
    if not os.path.isdir(os.path.join(LOCALES, "de_DE.UTF-8")):
        print("SKIP: no German locale (localedef de_DE failed)")
        sys.exit(77)
    start_tastra(environment("de_DE.UTF-8"))
    texts = (dialog_text(IDC_CONNECT), dialog_text(IDC_STATUS))
    if texts != ("Verbinden", "Verbindung ist geschlossen!"):
        fail("German texts expected, got %r" % (texts,))


def case_options():
    # The answers that end the program come on its standard streams.
    for args, code, stream, text in [
        (["--help"], 0, "stdout", "--reconnect"),
        (["--version"], 0, "stdout", "Tastra v1.00"),
        (["--speed", "300"], 2, "stderr", "tastra: speed '300' is not one of"),
        (["--port"], 2, "stderr", "tastra: --port needs a value"),
    ]:
        try:
            result = run("wine", TASTRA, *args, timeout=LIMIT_MS / 1000)
        except subprocess.TimeoutExpired:
            fail("%s: the program did not end" % args)
        if result.returncode != code or text not in getattr(result, stream):
            fail("%s: exit %d, out %r, err %r" % (args, result.returncode, result.stdout, result.stderr))
    # A port that is not listed: the port error, nothing connected.
    start_tastra(None, "--port", "COM7:", "--connect")
    if (dialog_text(IDC_STATUS), dialog_text(IDC_CONNECT)) != ("ERROR: COM port does not work!", "Connect"):
        fail("an unlisted port shows %r" % [dialog_text(IDC_STATUS), dialog_text(IDC_CONNECT)])
    stop_wine()
    # Port (in any case) and speed selected and connected without a click.
    terminal = Terminal()
    start_tastra(None, "--port", "com5:", "--speed", "19200", "--connect")
    terminal.expect(b"\x1b[c\x00", "the handshake")
    terminal.expect(b"Tastra v1.00 is connected!\r\n", "the greeting")
    got = (dialog_text(IDC_PORT), dialog_text(IDC_BAUD), dialog_text(IDC_CONNECT))
    if got != ("COM5: Serial4", "19200", "Disconnect"):
        fail("the dialog shows %r" % (got,))
    terminal.close()


def stop_wine():
    run("wineserver", "-k")
    run("wineserver", "-w")


CASES = {"typing": case_typing, "console": case_console, "close": case_close, "second-start": case_second_start, "german": case_german,
         "options": case_options}

if __name__ == "__main__":
    if CASE == "prefix":
        make_prefix()
    else:
        if not os.path.isdir(PREFIX):
            fail("no Wine prefix; the prefix case makes it")
        try:
            CASES[CASE]()
        finally:
            stop_wine()
            for line in LINES:
                line.kill()
    print("PASS")
