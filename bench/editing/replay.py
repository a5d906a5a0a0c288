# The editing replay bench: English prose typed into a real GTK 3 text view
# with XTest keys and clicks, one run per editing habit, watched by
# vuruzid-keywatch (the program's capture and interpreter). After each run the
# view's text is compared with keywatch's verdicts; the figures per habit:
#   alarms    per 1,000 words: judged wrong, yet no wrong word of the final text, or judged
#             (either way) on a letter of its own, before it was finished
#   slips     verdicts on a word the typist finished without a forgotten letter and
#             went back for later: true at the time, not errors
#   lost      per 1,000 words: words typed whole and right that no verdict judged
#   dropped   per 1,000 words: "dropped" lines whose word is a word of the final text typed
#             whole (those are counted in lost too)
#   again     words judged a second time (after Home and End, or retyped)
#   stray     words judged right that are no word of the text there (a piece of one)
#   caught    kept typos judged wrong, of all typos left in the text
# Every word of the prose is in the English dictionary, so every alarm on the
# plain text is the checker's error. Runs under an X session:
#   bash scripts/with-xserver.sh python3 bench/editing/replay.py [--build BUILD] [--habits a,b] [--words N]
import argparse
import os
import random
import re
import signal
import subprocess
import sys
import tempfile
import time
from collections import Counter

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "editor"))
from editor_session import (UNREPORTED, Failure, Keywatch, TextView, Typist, XTest, verdict_owners,  # noqa: E402
                            verdicts, words_of)

LINE_WIDTH = 70  # shorter than the view is wide: no line wraps, Home and End stay on it
SLIP_RATE = 1 / 20
TYPO_RATE = 0.04
NEIGHBOURS = dict(zip("qwertyuiopasdfghjklzxcvbnm", [
    "wa", "qes", "wrd", "etf", "ryg", "tuh", "yij", "uok", "ipl", "ol", "qsz", "awdx", "sefc", "drgv", "fthb",
    "gyjn", "hukm", "jilm", "kop", "xs", "zcd", "xvf", "cbg", "vnh", "bmj", "nk"]))


def prose_lines(path, limit):
    """The prose laid out in lines of at most LINE_WIDTH characters, paragraphs ending a line."""
    lines, count = [], 0
    with open(path, encoding="utf-8") as prose:
        paragraphs = [p.split() for p in prose.read().split("\n\n") if p.strip()]
    for words in paragraphs:
        line = []
        for word in words:
            if count >= limit:
                break
            if line and len(" ".join(line + [word])) > LINE_WIDTH:
                lines.append(line)
                line = []
            line.append(word)
            count += 1
        if line:
            lines.append(line)
    return lines


class Word:
    """One word of the text to type: its letters, what follows it, and how it was typed."""

    def __init__(self, letters, tail, after):
        self.letters, self.tail, self.after = letters, tail, after  # "turned" "," " " (or "\n")
        self.typo = False
        self.whole = True  # typed in one go, so a key-by-key reading holds it exactly
        self.start = None  # its offset in the text, once typed


def words_to_type(lines):
    words = []
    for line in lines:
        for index, token in enumerate(line):
            letters = re.match(r"[A-Za-z]+", token).group(0)
            words.append(Word(letters, token[len(letters):], " " if index + 1 < len(line) else "\n"))
    words[-1].after = " "
    return words


def dictionary_says(build, candidates):
    """Which of the words the checker's English dictionary knows (one call for all)."""
    program = os.path.join(build, "QOR_Vuruzid")
    answer = subprocess.run([os.path.join(program, "vuruzid-check"), "--folder", program], input="\n".join(candidates),
                            capture_output=True, text=True, timeout=60).stdout
    return {m.group(1): m.group(2) == "known" for m in re.finditer(r"^(\S+): (known|unknown)$", answer, re.M)}


def typo_candidates(letters, rng):
    """A letter swapped with its neighbour or dropped, in a random order."""
    forms = [letters[:i] + letters[i + 1] + letters[i] + letters[i + 2:] for i in range(1, len(letters) - 1)]
    forms += [letters[:i] + letters[i + 1:] for i in range(1, len(letters))]
    rng.shuffle(forms)
    return [form for form in forms if form != letters]


# ---------------------------------------------------------------------------
# The habits: each types word `i` (and maybe some after it) and returns the index of the next word.
class Run:
    def __init__(self, typist, words, rng, habit):
        self.t, self.words, self.rng, self.habit = typist, words, rng, habit
        self.slips = Counter()  # unfinished forms the typist ended with a blank before fixing them

    def own(self, i):
        """Tells the keys that follow belong to word `i`, for lining up the verdicts."""
        self.t.x.owner = i

    def plain(self, i):
        self.own(i)
        word = self.words[i]
        word.start = self.t.caret
        self.t.type(word.letters + word.tail + word.after)
        return i + 1

    def slip_fixed(self, i):
        self.own(i)
        word = self.words[i]
        word.start = self.t.caret
        at = self.rng.randrange(1, len(word.letters)) if len(word.letters) > 1 else 1
        struck = self.rng.choice([self.rng.choice(NEIGHBOURS.get(word.letters[at - 1].lower(), "q")),
                                  str(self.rng.randrange(10)), "["])
        self.t.type(word.letters[:at] + struck)
        self.t.backspace()
        self.t.type(word.letters[at:] + word.tail + word.after)
        return i + 1

    def left_fix(self, i):
        """A letter forgotten and gone back for with Left: in this word, or in the one before it."""
        word = self.words[i]
        back_into_previous = (i + 1 < len(self.words) and word.after == " " and not word.tail
                              and len(word.letters) >= 3 and self.rng.random() < 0.5)
        if len(word.letters) < 3:
            return self.plain(i)
        self.own(i)
        word.start = self.t.caret
        word.whole = False
        gap = self.rng.randrange(1, len(word.letters) - 1)  # never the last letter: that is just typed late
        self.t.type(word.letters[:gap] + word.letters[gap + 1:])
        steps = len(word.letters) - 1 - gap
        if back_into_previous:
            self.t.type(word.after)
            self.slips[(word.letters[:gap] + word.letters[gap + 1:]).upper()] += 1
            following = self.words[i + 1]
            following.start = self.t.caret
            self.own(i + 1)
            self.t.type(following.letters)
            steps += len(word.after) + len(following.letters)
        self.own(i)
        self.t.left(steps)
        self.t.type(word.letters[gap])
        if self.rng.random() < 0.5:
            self.t.end()
        else:
            self.t.right(steps)
        if back_into_previous:
            self.own(i + 1)
            self.t.type(following.tail + following.after)
            return i + 2
        self.t.type(word.tail + word.after)
        return i + 1

    def click_fix(self, i):
        """A letter forgotten, seen a few words later, fixed with a click into the word and a click back."""
        word = self.words[i]
        if len(word.letters) < 3 or i + 4 >= len(self.words):
            return self.plain(i)
        self.own(i)
        word.start = self.t.caret
        word.whole = False
        gap = self.rng.randrange(1, len(word.letters))
        self.t.type(word.letters[:gap] + word.letters[gap + 1:] + word.tail + word.after)
        self.slips[(word.letters[:gap] + word.letters[gap + 1:]).upper()] += 1
        later = i + 1
        for _ in range(self.rng.randrange(1, 4)):
            later = self.plain(later)
        self.own(i)
        self.t.click(word.start + gap)
        self.t.type(word.letters[gap])
        self.t.click_end()
        return later

    def double_click_retype(self, i):
        word = self.words[i]
        if word.tail or word.after != " ":
            return self.plain(i)
        self.plain(i)
        self.own(i)
        self.t.click(word.start + len(word.letters) // 2, count=2)
        self.t.type(word.letters)
        self.t.right()
        return i + 1

    def home_line_start(self, i):
        """Home from a few words into a line, the line's first word typed there, End, and on."""
        first = self.words[i]
        if first.tail or first.after != " " or (i > 0 and self.words[i - 1].after != "\n"):
            return self.plain(i)
        later = i + 1
        for _ in range(self.rng.randrange(1, 4)):
            # Not the line's last word: Home from the next line would go to that line's start.
            if later >= len(self.words) or self.words[later].after == "\n":
                break
            later = self.plain(later)
        self.own(i)
        self.t.home()
        first.start = self.t.caret
        self.t.type(first.letters + first.after)
        for word in self.words[i + 1:later]:
            word.start += len(first.letters) + 1
        self.t.end()
        return later

    def paste(self, i):
        """An earlier word (or the start of this one) copied with the view's own copy and pasted, the rest typed."""
        word = self.words[i]
        prefixes, same = [], []
        for candidate in re.finditer(r"[A-Za-z]{3,}", self.t.text):
            found = candidate.group(0)
            if found == word.letters:
                same.append(candidate)
            elif word.letters.startswith(found):
                prefixes.append(candidate)
        # The nearest: the start of this word best, as letters that continue a pasted word try the checker most.
        source = (prefixes or same or [None])[-1]
        if source is None:
            return self.plain(i)
        self.own(i)
        word.start = self.t.caret
        word.whole = False
        self.t.click(source.start() + len(source.group(0)) // 2, count=2)
        self.t.copy()
        self.t.click_end()
        self.t.paste()
        self.t.type(word.letters[len(source.group(0)):] + word.tail + word.after)
        return i + 1

    def mixed(self, i):
        if self.words[i].typo:
            return self.plain(i)
        roll = self.rng.random()
        for share, habit in ((0.05, self.slip_fixed), (0.03, self.left_fix), (0.02, self.click_fix),
                             (0.02, self.double_click_retype), (0.05, self.home_line_start), (0.02, self.paste)):
            if roll < share:
                return habit(i)
            roll -= share
        return self.plain(i)

    def go(self):
        habit = getattr(self, self.habit)
        i = 0
        while i < len(self.words):
            if self.habit == "mixed" or self.habit == "plain":
                i = habit(i)
            elif self.habit == "home_line_start":
                i = habit(i) if self.rng.random() < 0.5 else self.plain(i)
            else:
                i = habit(i) if self.rng.random() < SLIP_RATE else self.plain(i)


HABITS = ["plain", "slip_fixed", "left_fix", "click_fix", "double_click_retype", "home_line_start", "paste",
          "mixed"]


# ---------------------------------------------------------------------------
def score(words, found, owners, slips):
    """Matches each verdict to a word of the final text, near the word being typed when it came,
    and counts what did not fit."""
    matched = [[] for _ in words]
    alarms, expected, stray, again = [], 0, [], 0
    slips = Counter(slips)
    dropped_of_text = 0
    finals = Counter(word.letters.upper() for word in words)
    for number, verdict, said in found:
        owner, key = owners[number] if owners[number] is not None else (0, None)
        owner = owner or 0
        if verdict == "dropped":  # the word being typed, or the one before when the move went back into it
            dropped_of_text += any(words[k].whole and words[k].letters.upper() == said
                                   for k in range(max(0, owner - 1), min(len(words), owner + 2)))
            continue
        window = range(max(0, owner - 6), min(len(words), owner + 3))
        near = sorted((k for k in window if not matched[k] and words[k].letters.upper() == said),
                      key=lambda k: (abs(k - owner), k > owner))
        hit = near[0] if near else None
        # A word judged on one of its own letters was judged before it was finished.
        early = hit == owner and key is not None and len(key) == 1 and key.isalpha()
        if hit is not None and not early:
            matched[hit].append(verdict)
            if verdict == "right" or words[hit].typo:
                continue
        if slips[said] > 0:  # the form a forgotten letter left, finished and then gone back to
            slips[said] -= 1
            expected += 1
        elif not early and any(matched[k] and words[k].letters.upper() == said for k in window):
            again += 1  # a word judged a second time, as after it was retyped or gone back to
        elif verdict == "wrong" or early:
            alarms.append(said + (" (early)" if early else ""))
        else:
            stray.append("%s (at %s)" % (said, words[owner].letters))
    lost = [k for k, word in enumerate(words) if word.whole and not word.typo and not matched[k]]
    typos = [k for k, word in enumerate(words) if word.typo]
    caught = sum(1 for k in typos if "wrong" in matched[k])
    return alarms, expected, lost, dropped_of_text, stray, again, caught, len(typos)


def run_habit(habit, seed, lines, build, delay, work, typos_known):
    rng = random.Random(f"{seed}-{habit}")
    words = words_to_type(lines)
    if habit == "mixed":
        for word in words:
            if len(word.letters) >= 3 and rng.random() < TYPO_RATE:
                unknown = (f for f in typo_candidates(word.letters, rng) if typos_known.get(f.upper()) is False)
                form = next(unknown, None)
                if form:
                    word.letters, word.typo = form, True
    program = os.path.join(build, "QOR_Vuruzid")
    keywatch = Keywatch(os.path.join(program, "vuruzid-keywatch"), program, os.path.join(work, habit + ".err"))
    view = None
    try:
        view = TextView(title="Editing bench")
        typist = Typist(XTest(), view, delay=delay)
        time.sleep(0.3)
        keywatch.settle(quiet=0.3)
        started = time.monotonic()
        run = Run(typist, words, rng, habit)
        run.go()
        typist.x.sync()
        keywatch.settle(quiet=1.0, longest=120)
        seconds = time.monotonic() - started
        text = view.text(os.path.join(work, habit + ".txt"))
    finally:
        if view:
            view.close()
        keywatch.stop()
    with open(os.path.join(work, habit + ".keywatch"), "w", encoding="utf-8") as out:
        out.write("\n".join(keywatch.lines) + "\n")
    with open(os.path.join(work, habit + ".sent"), "w", encoding="utf-8") as out:
        out.write("".join("%s %s\n" % sent for sent in typist.x.sent))
    found, legacy = verdicts(keywatch.lines)
    owners = verdict_owners(keywatch.lines, typist.x.sent)
    intended = "".join(w.letters + w.tail + w.after for w in words)
    mismatch = ""
    if text != typist.text or typist.text != intended:
        at = next((k for k, (a, b) in enumerate(zip(text, intended)) if a != b), min(len(text), len(intended)))
        mismatch = "text differs at %d: view %r, meant %r" % (at, text[max(0, at - 20):at + 20],
                                                              intended[max(0, at - 20):at + 20])
    if words_of(intended) != [w.letters.upper() for w in words]:
        mismatch += " (words of the text do not line up)"
    keys = sum(1 for line in keywatch.lines if line.startswith("key ") or line.startswith("click "))
    reportable = sum(1 for name, _ in typist.x.sent if name not in UNREPORTED)
    if keys != reportable:
        mismatch += " keywatch reported %d of %d keys and clicks sent" % (keys, reportable)
    return words, found, owners, legacy, run.slips, seconds, keys, mismatch


def main():
    options = argparse.ArgumentParser(description=__doc__)
    options.add_argument("--build", default=os.path.join(HERE, "..", "..", "build"))
    options.add_argument("--habits", default=",".join(HABITS))
    options.add_argument("--words", type=int, default=100000, help="type only the first N words of the prose")
    options.add_argument("--seed", default="1")
    options.add_argument("--delay", type=float, default=0.006, help="seconds between keys")
    options.add_argument("--detail", action="store_true", help="name the words behind the alarms and lost checks")
    options.add_argument("--keep", help="a folder to keep keywatch's lines and the view's text of each run in")
    options = options.parse_args()
    # Ended from outside: the view and keywatch are ended too, through run_habit's finally.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    build = os.path.abspath(options.build)
    if not os.environ.get("DISPLAY"):
        sys.exit("needs an X session: bash scripts/with-xserver.sh python3 bench/editing/replay.py")
    lines = prose_lines(os.path.join(HERE, "prose.txt"), options.words)
    rng = random.Random(options.seed)
    candidates = sorted({f.upper() for line in lines for token in line
                         for f in typo_candidates(re.match(r"[A-Za-z]+", token).group(0), rng)})
    typos_known = dictionary_says(build, candidates)
    keywatch = os.path.join(build, "QOR_Vuruzid", "vuruzid-keywatch")
    built = time.strftime("%Y-%m-%d %H:%M", time.localtime(os.path.getmtime(keywatch)))
    print("vuruzid-keywatch built %s; %d words of prose in %d lines; %.0f ms between keys; seed %s"
          % (built, sum(len(line) for line in lines), len(lines), options.delay * 1000, options.seed))
    print("%-20s %6s %6s %8s %6s %8s %8s %6s %6s %9s %5s  %s" % (
        "habit", "words", "keys", "alarms/k", "slips", "lost/k", "dropd/k", "again", "stray", "caught", "s", "text"))
    with tempfile.TemporaryDirectory(prefix="vuruzid-editing-") as work:
        if options.keep:
            os.makedirs(options.keep, exist_ok=True)
            work = options.keep
        for habit in options.habits.split(","):
            try:
                words, found, owners, legacy, slips, seconds, keys, mismatch = run_habit(
                    habit, options.seed, lines, build, options.delay, work, typos_known)
            except Failure as error:
                print("%-20s failed: %s" % (habit, error))
                continue
            alarms, expected, lost, dropped, stray, again, caught, typos = score(words, found, owners, slips)
            per_k = 1000.0 / len(words)
            print("%-20s %6d %6d %8.1f %6d %8.1f %8.1f %6d %6d %9s %5.0f  %s%s" % (
                habit, len(words), keys, len(alarms) * per_k, expected, len(lost) * per_k, dropped * per_k, again,
                len(stray),
                "%d/%d" % (caught, typos) if typos else "-", seconds, mismatch or "as meant",
                " (verdicts read off the word display)" if legacy else ""), flush=True)
            if options.detail:
                print("    alarms on: " + " ".join(alarms))
                print("    stray: " + " ".join(stray))
                print("    lost: " + " ".join("%s (after %s)" % (words[k].letters, " ".join(
                    w.letters for w in words[max(0, k - 3):k])) for k in lost))


if __name__ == "__main__":
    main()
