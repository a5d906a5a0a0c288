# The parts the editing test and the replay bench share: real keys and clicks
# through XTest, the text view (text_view.py) driven over its pipe, the
# checker's capture (vuruzid-keywatch) read line by line, and what its lines
# say about whole words.
import ctypes
import ctypes.util
import os
import re
import select
import subprocess
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = "/usr/bin/python3"  # Debian's, with the GTK bindings


class Failure(Exception):
    """Something the harness needs did not happen in time."""


# ---------------------------------------------------------------------------
# XTest through Xlib, by ctypes: keys by keysym name on the server's own map.
class XTest:
    SHIFTED = {'"': "quotedbl", "?": "question", "!": "exclam", ":": "colon"}
    PLAIN = {" ": "space", ".": "period", ",": "comma", "'": "apostrophe", "\n": "Return", "[": "bracketleft",
             ";": "semicolon", "-": "minus"}

    def __init__(self):
        xlib = ctypes.util.find_library("X11")
        xtst = ctypes.util.find_library("Xtst")
        if not xlib or not xtst:
            raise Failure("libX11 or libXtst is missing")
        self.x = ctypes.CDLL(xlib)
        self.t = ctypes.CDLL(xtst)
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XStringToKeysym.restype = ctypes.c_ulong
        self.x.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.t.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.t.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.t.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                                ctypes.c_ulong]
        self.sent = []  # every key-down and press, with `owner` at the time: what keywatch must report
        self.owner = None
        self.last_press = 0.0
        self.display = self.x.XOpenDisplay(None)
        if not self.display:
            raise Failure("cannot open the X display %r" % os.environ.get("DISPLAY"))
        self.codes = {}

    def code(self, name):
        if name not in self.codes:
            keysym = self.x.XStringToKeysym(name.encode())
            code = self.x.XKeysymToKeycode(self.display, keysym) if keysym else 0
            if not code:
                raise Failure("no key for %s on this keyboard" % name)
            self.codes[name] = code
        return self.codes[name]

    def press(self, name, down):
        if down:
            self.sent.append((name, self.owner))
        self.t.XTestFakeKeyEvent(self.display, self.code(name), 1 if down else 0, 0)

    def tap(self, name, held=()):
        """One key, with modifiers (keysym names such as Shift_L, Control_L) held around it."""
        for modifier in held:
            self.press(modifier, True)
        self.press(name, True)
        self.press(name, False)
        for modifier in reversed(held):
            self.press(modifier, False)
        self.x.XFlush(self.display)

    @classmethod
    def key_of(cls, char):
        """The keysym name of a character and whether it takes Shift (a US keyboard)."""
        if char.isascii() and char.isalpha():
            return char.lower(), char.isupper()
        if char.isdigit():
            return char, False
        if char in cls.PLAIN:
            return cls.PLAIN[char], False
        if char in cls.SHIFTED:
            return cls.SHIFTED[char], True
        raise Failure("no key types %r" % char)

    def type_char(self, char):
        name, shift = self.key_of(char)
        self.tap(name, ("Shift_L",) if shift else ())

    SEPARATE_CLICKS = 0.25  # seconds: more than text_view.py's double-click time

    def click(self, x, y, count=1):
        """`count` presses of the first button at root (x, y): 2 a double-click. Presses of another click
        wait until they cannot make one with these."""
        wait = self.last_press + self.SEPARATE_CLICKS - time.monotonic()
        if wait > 0:
            time.sleep(wait)
        self.t.XTestFakeMotionEvent(self.display, -1, x, y, 0)
        self.x.XSync(self.display, 0)
        time.sleep(0.03)
        for i in range(count):
            self.sent.append(("click", self.owner))
            self.t.XTestFakeButtonEvent(self.display, 1, 1, 0)
            self.t.XTestFakeButtonEvent(self.display, 1, 0, 0)
            self.x.XSync(self.display, 0)
            if i + 1 < count:
                time.sleep(0.04)
        self.last_press = time.monotonic()

    def sync(self):
        self.x.XSync(self.display, 0)


# ---------------------------------------------------------------------------
def read_line(pipe, seconds, what):
    ready, _, _ = select.select([pipe], [], [], seconds)
    if not ready:
        raise Failure("no answer from %s in %.0f s" % (what, seconds))
    line = pipe.readline()
    if not line:
        raise Failure("%s has ended" % what)
    return line.rstrip("\n")


class TextView:
    """text_view.py as a child process: a focused GTK 3 text view."""

    def __init__(self, title="Editor under test"):
        self.process = subprocess.Popen([PYTHON, os.path.join(HERE, "text_view.py"), "--title", title],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        line = read_line(self.process.stdout, 15, "the text view")
        if line != "ready":
            raise Failure("the text view said %r, not ready" % line)

    def ask(self, command, seconds=5):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        return read_line(self.process.stdout, seconds, "the text view")

    def where(self, offset):
        words = self.ask("where %d" % offset).split()
        if len(words) != 3 or words[0] != "at":
            raise Failure("the text view cannot tell where offset %d is: %s" % (offset, " ".join(words)))
        return int(words[1]), int(words[2])

    def caret(self):
        return int(self.ask("caret").split()[1])

    def text(self, path):
        self.ask("dump " + path)
        with open(path, encoding="utf-8") as dumped:
            return dumped.read()

    def clear(self):
        self.ask("clear")

    def load(self, text):
        self.ask("load " + text.replace("\n", "\\n"))

    def close(self):
        try:
            self.process.stdin.close()
            self.process.wait(timeout=5)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()


class Keywatch:
    """vuruzid-keywatch as a child process, its lines gathered as they come."""

    def __init__(self, program, folder, error_path):
        self.lines = []
        self.lock = threading.Lock()
        self.error_path = error_path
        self.errors = open(error_path, "w")
        self.process = subprocess.Popen([program, "--folder", folder], stdout=subprocess.PIPE,
                                        stderr=self.errors, text=True, encoding="utf-8", errors="replace")
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        deadline = time.monotonic() + 15
        while "watching the keys" not in self._error_text():
            if self.process.poll() is not None or time.monotonic() > deadline:
                raise Failure("vuruzid-keywatch did not start: " + self._error_text().strip())
            time.sleep(0.05)

    def _error_text(self):
        with open(self.error_path, encoding="utf-8", errors="replace") as text:
            return text.read()

    def _read(self):
        for line in self.process.stdout:
            with self.lock:
                self.lines.append(line.rstrip("\n"))

    def count(self):
        with self.lock:
            return len(self.lines)

    def since(self, start):
        with self.lock:
            return list(self.lines[start:])

    def key_lines(self):
        with self.lock:
            return sum(1 for line in self.lines if KEY_LINE.match(line))

    def settle(self, quiet=0.6, longest=20.0):
        """Waits until no line has come for `quiet` seconds."""
        deadline = time.monotonic() + longest
        seen, since = self.count(), time.monotonic()
        while time.monotonic() < deadline:
            time.sleep(0.05)
            now = self.count()
            if now != seen:
                seen, since = now, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return
        raise Failure("vuruzid-keywatch did not go quiet in %.0f s" % longest)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.reader.join(timeout=2)
        self.errors.close()


# ---------------------------------------------------------------------------
class Typist:
    """Types into the text view with real keys and clicks, and follows what the text must become:
    `text` and `caret` are what the view should hold after each step."""

    WORD = re.compile(r"[A-Za-z]+")

    def __init__(self, xtest, view, delay=0.012):
        self.x, self.view, self.delay = xtest, view, delay
        self.text, self.caret = "", 0
        self.selection = None  # (start, end) after a double-click
        self.clipboard = ""

    def start(self, text=""):
        """A fresh buffer holding `text`, the caret at its end."""
        if text:
            self.view.load(text)
        else:
            self.view.clear()
        self.text, self.caret, self.selection = text, len(text), None

    def _insert(self, piece):
        if self.selection:
            start, end = self.selection
            self.text = self.text[:start] + self.text[end:]
            self.caret, self.selection = start, None
        self.text = self.text[:self.caret] + piece + self.text[self.caret:]
        self.caret += len(piece)

    def type(self, piece):
        for char in piece:
            self.x.type_char(char)
            self._insert(char)
            time.sleep(self.delay)

    def key(self, name, held=()):
        self.x.tap(name, held)
        time.sleep(self.delay)

    def backspace(self):
        self.key("BackSpace")
        self.text = self.text[:self.caret - 1] + self.text[self.caret:]
        self.caret -= 1

    def left(self, times=1):
        for _ in range(times):
            self.key("Left")
            self.caret -= 1

    def right(self, times=1):
        for _ in range(times):
            self.key("Right")
            self.caret += 1

    def home(self):
        # The lines are kept shorter than the view is wide: Home and End go to the line's ends.
        self.key("Home")
        self.caret = self.text.rfind("\n", 0, self.caret) + 1

    def end(self):
        self.key("End")
        line_end = self.text.find("\n", self.caret)
        self.caret = len(self.text) if line_end < 0 else line_end

    def click(self, offset, count=1):
        self.x.click(*self.view.where(offset), count=count)
        self.caret, self.selection = offset, None
        if count == 2:
            for word in self.WORD.finditer(self.text):
                if word.start() <= offset < word.end():
                    self.selection = (word.start(), word.end())
                    self.caret = word.end()
        time.sleep(self.delay)

    def click_end(self):
        self.click(len(self.text))

    def copy(self):
        self.key("c", ("Control_L",))
        if self.selection:
            self.clipboard = self.text[self.selection[0]:self.selection[1]]

    def paste(self):
        self.key("v", ("Control_L",))
        self._insert(self.clipboard)
        time.sleep(0.05)  # the view asks the clipboard's owner, itself, before it inserts


# ---------------------------------------------------------------------------
# What keywatch's lines say about whole words: (line number, verdict, WORD),
# verdict "wrong", "right" or "dropped".
KEY_LINE = re.compile(r'^(key|click) (\d+): word "([^"]*)" (\w+)')
VERDICT_LINE = re.compile(r'^\s+(judged "([^"]*)" (wrong|right)|dropped "([^"]*)")\s*$')
TERMINATORS = {13, 32, 186, 188, 190, 191, 222, 9}  # Enter, blank, ; , . / ' Tab


def verdicts(lines):
    """The verdicts keywatch printed; `legacy` tells they were read off the word display."""
    found = []
    for number, line in enumerate(lines):
        match = VERDICT_LINE.match(line)
        if match:
            if match.group(2) is not None:
                found.append((number, match.group(3), match.group(2)))
            else:
                found.append((number, "dropped", match.group(4)))
    if found or any(line.startswith("click ") for line in lines):
        return found, False
    return legacy_verdicts(lines), True


def legacy_verdicts(lines):
    """Verdicts of a keywatch that prints only the word display: a word turning red with the caret
    mark "_" was judged wrong; a plain word gone on a blank or a punctuation key was judged right,
    gone on any other key dropped."""
    found = []
    shown, red = "", False
    for number, line in enumerate(lines):
        match = KEY_LINE.match(line)
        if not match:
            continue
        code, word, colour = int(match.group(2)), match.group(3), match.group(4)
        now_red = colour == "red" and "_" in word
        if now_red and not red:
            found.append((number, "wrong", word.replace("_", "")))
        elif shown and not red and not now_red and not (word and (word.startswith(shown) or shown.startswith(word))):
            found.append((number, "right" if code in TERMINATORS else "dropped", shown))
        shown, red = (word if not now_red else ""), now_red
    return found


def words_of(text):
    return [word.upper() for word in re.findall(r"[A-Za-z]+", text)]


# Windows virtual-key codes, as keywatch prints them, of the keysyms sent.
VIRTUAL_KEYS = {"space": 32, "Return": 13, "BackSpace": 8, "Left": 37, "Right": 39, "Home": 36, "End": 35,
                "comma": 188, "period": 190, "bracketleft": 219, "semicolon": 186, "apostrophe": 222, "minus": 189,
                "Shift_L": 16, "click": "click"}
UNREPORTED = {"Control_L"}  # keywatch tells Ctrl with the key it is held for, not on a line of its own


def virtual_key(name):
    if len(name) == 1 and name.isalnum():
        return ord(name.upper())
    return VIRTUAL_KEYS.get(name, name)


def line_up(sent, printed, reach=30, run=5):
    """Which sent item each printed one is, by index: in step while they agree; where they part, the
    nearest skip over sent items (missed) or printed ones (extra) after which `run` items agree."""
    matched, i, j = {}, 0, 0
    while i < len(sent) and j < len(printed):
        if sent[i] == printed[j]:
            matched[j] = i
            i, j = i + 1, j + 1
            continue
        for skip in range(1, reach):
            if sent[i + skip:i + skip + run] == printed[j:j + run]:
                i += skip
                break
            if printed[j + skip:j + skip + run] == sent[i:i + run]:
                j += skip
                break
        else:
            i, j = i + 1, j + 1  # one reported as another: neither stands for the other
    return matched


def verdict_owners(lines, sent):
    """For each line of `lines`, the key or press sent, as (owner, keysym name), that keywatch's last
    report before it stands for (None before the first): the reports are lined up with what was sent
    in order, so keys it missed or held back do not shift the rest."""
    printed = []  # (line number, code)
    for number, line in enumerate(lines):
        match = KEY_LINE.match(line)
        if match:
            printed.append((number, int(match.group(2)) if match.group(1) == "key" else "click"))
    sent = [item for item in sent if item[0] not in UNREPORTED]
    sent_of_printed = line_up([virtual_key(name) for name, _ in sent], [code for _, code in printed])
    owners, owner, next_printed = [], None, 0
    for number in range(len(lines)):
        while next_printed < len(printed) and printed[next_printed][0] <= number:
            if next_printed in sent_of_printed:
                name, owned_by = sent[sent_of_printed[next_printed]]
                owner = (owned_by, name)
            next_printed += 1
        owners.append(owner)
    return owners
