# Editing habits typed into a real GTK 3 text view with XTest keys and clicks,
# watched by vuruzid-keywatch: what the checker says of whole words must agree
# with the text the view ends with. Run by editing-habits.sh under an X session.
#   editing_habits.py PROGRAM_FOLDER WORK_FOLDER
import os
import signal
import sys
import time

from editor_session import Failure, Keywatch, TextView, Typist, XTest, verdicts


def click_after_hello_wor(typist):
    typist.type("wor")
    typist.click(len("hello wor"))
    typist.type("ld ")


def home_then_line_start(typist):
    typist.type("quick ")
    typist.home()
    typist.type("The ")
    typist.end()
    typist.type("brown fox ")


def paste_then_continue(typist):
    typist.type("work ")
    typist.click(1, count=2)
    typist.copy()
    typist.click_end()
    typist.paste()
    typist.type("ers ")


def typo_kept(typist):
    typist.type("the cat sat on teh mat ")


# Each row: name, the text the view holds before, the typing, the text it must end with, and what
# keywatch must (True) or must not (False) have said: (verdict, WORD), verdict "wrong", "right",
# "dropped", or "judged" (right or wrong).
CASES = [
    ("a click on another line between two halves", "hello wor\n", click_after_hello_wor, "hello world \nwor",
     [("wrong", "WORLD", False), ("wrong", "WOR", False), ("wrong", "LD", False), ("dropped", "WOR", True)]),
    ("Home, a word at the line start, End", "", home_then_line_start, "The quick brown fox ",
     [("wrong", None, False), ("right", "FOX", True)]),
    ("a pasted word continued by letters", "", paste_then_continue, "work workers ",
     [("right", "WORK", True), ("judged", "WORKERS", False), ("wrong", "ERS", False)]),
    ("a typo left in the text", "", typo_kept, "the cat sat on teh mat ",
     [("wrong", "TEH", True), ("right", "MAT", True), ("wrong", "MAT", False)]),
]


def said(found, verdict, word):
    return any((verdict == kind or (verdict == "judged" and kind in ("right", "wrong"))) and word in (None, said_word)
               for _, kind, said_word in found)


def main():
    # A time limit's SIGTERM ends the view and keywatch too, through the finally below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(124))
    program_folder, work = sys.argv[1], sys.argv[2]
    keywatch = Keywatch(os.path.join(program_folder, "vuruzid-keywatch"), program_folder,
                        os.path.join(work, "keywatch.err"))
    view = None
    failed = passed = 0
    try:
        view = TextView()
        typist = Typist(XTest(), view, delay=0.03)
        legacy_seen = False
        for name, before, typing, expected, claims in CASES:
            typist.start(before)
            time.sleep(0.2)
            keywatch.settle(quiet=0.3)
            first = keywatch.count()
            typing(typist)
            keywatch.settle()
            lines = keywatch.since(first)
            found, legacy = verdicts(lines)
            legacy_seen |= legacy
            problems = []
            text = view.text(os.path.join(work, "dump.txt"))
            if text != expected or typist.text != expected:
                problems.append("the view holds %r, not %r" % (text, expected))
            for verdict, word, wanted in claims:
                if said(found, verdict, word) != wanted:
                    problems.append("%s %s %s" % ("no" if wanted else "a", verdict, word or "verdict"))
            print("%s  %s" % ("FAILED" if problems else "passed", name))
            for problem in problems:
                print("    " + problem)
            if problems:
                print("    keywatch said: " + "; ".join("%s %s" % (kind, word) for _, kind, word in found))
            failed += bool(problems)
            passed += not problems
        if legacy_seen:
            print("note: this vuruzid-keywatch prints no verdict lines; they were read off its word display")
    except Failure as error:
        print("FAILED: %s" % error)
        failed += 1
    finally:
        if view:
            view.close()
        keywatch.stop()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
