#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the fixed corpus of mutated and hostile iCalendar files beside this script, once:
run again only to change it, and commit what it writes. The seeds are ordinary to-dos and the
files that once broke an import (kept here by their own names); each mutant is a seed with a
few seeded random changes: bytes flipped, lines doubled, dropped, cut or moved, and hostile
lines put in (control characters, deep nesting, long and folded lines, zone rules that repeat
too often, dates at the ends of the calendar)."""
import glob
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
CRLF = "\r\n"


def calendar(*parts):
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Corpus//EN\r\n" + "".join(parts) + \
        "END:VCALENDAR\r\n"


def todo(uid, *lines):
    return "BEGIN:VTODO\r\nUID:" + uid + CRLF + "".join(l + CRLF for l in lines) + "END:VTODO\r\n"


def zone(tzid, rule, start="16010101T000000"):
    return ("BEGIN:VTIMEZONE\r\nTZID:" + tzid + "\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:+0100\r\n"
            "TZOFFSETTO:+0100\r\nDTSTART:" + start + "\r\n" + rule + "END:STANDARD\r\n"
            "END:VTIMEZONE\r\n")


SEEDS = {
    "plain": calendar(todo("p1", "SUMMARY:Buy milk", "DUE;VALUE=DATE:20260305",
                           "DESCRIPTION:2 litres\\nsemi-skimmed\\, fresh"),
                      todo("p2", "SUMMARY:Pay rent", "PRIORITY:1", "STATUS:NEEDS-ACTION")),
    "zoned": calendar(zone("Europe/Somewhere", "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"),
                      todo("z1", "SUMMARY:Call", "DUE;TZID=Europe/Somewhere:20261207T120000",
                           "DTSTART;TZID=Europe/Somewhere:20261201T090000")),
    "recurring": calendar(todo("r1", "SUMMARY:Bins", "DTSTART:20260303T090000Z",
                               "RRULE:FREQ=WEEKLY;COUNT=10"),
                          todo("r1", "RECURRENCE-ID:20260310T090000Z", "SUMMARY:Bins late")),
    "alarms": calendar(todo("a1", "SUMMARY:Ring", "DUE:20260305T233000Z", "CATEGORIES:A,B",
                            "X-PHONE;X-SHADE=dark:teal", "BEGIN:VALARM", "ACTION:DISPLAY",
                            "TRIGGER:-PT15M", "END:VALARM", "COMPLETED:20260302T100000Z")),
}
for path in sorted(glob.glob(os.path.join(HERE, "*.ics"))):
    name = os.path.basename(path)[:-4]
    if not name.startswith("m"):
        with open(path, encoding="utf-8", errors="surrogateescape") as f:
            SEEDS[name] = f.read()

HOSTILE = [
    "SUMMARY:bell\x07nul\x00del\x7fesc\x1b",
    "DESCRIPTION:" + "x" * 5000,
    "DESCRIPTION:" + "\r\n ".join(["y" * 70] * 200),
    "BEGIN:X-DEEP\r\n" * 2000 + "END:X-DEEP\r\n" * 2000,
    "BEGIN:VTODO\r\n" * 300,
    "DUE:00010101T000000Z", "DUE:99991231T235959Z", "DUE;VALUE=DATE:00000000",
    "DUE:20261307T250000", "DTSTART:20260230", "DURATION:P99999999W", "DURATION:-PT1S",
    "DUE;TZID=Nowhere:20261207T120000", "DUE;TZID=Bomb:20261207T120000",
    "RRULE:FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30",
    "RECURRENCE-ID:20260310T090000Z", "UID:", "UID:" + "u" * 3000,
    "LAST-MODIFIED;TZID=Bomb:20260101T000000", "PRIORITY:-2147483649",
    "PERCENT-COMPLETE:99999999999", "STATUS:" + "Z" * 100,
    "X-" + "A" * 100 + ";" + ";".join("P%d=v" % i for i in range(300)) + ":v",
    "SUMMARY;LANGUAGE=\"unterminated:x", "SUMMARY:\xff\xfe bad utf-8 \udcff",
    "END:VCALENDAR", "BEGIN:VCALENDAR", "END:VTODO",
]
RULES = ["RRULE:FREQ=MINUTELY\r\n", "RRULE:FREQ=HOURLY;INTERVAL=1\r\n",
         "RRULE:FREQ=DAILY;BYHOUR=0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23\r\n",
         "RRULE:FREQ=YEARLY;BYMONTH=1,2,3,4,5,6,7,8,9,10,11,12;BYMONTHDAY=1,15\r\n",
         "RRULE:FREQ=YEARLY;BYDAY=MO,TU,WE,TH,FR,SA,SU;BYSETPOS=-1\r\n",
         "RRULE:FREQ=DAILY;UNTIL=99991231T000000Z\r\n", "RRULE:FREQ=WEEKLY;COUNT=2000000000\r\n",
         "RDATE:" + ",".join("2026%02d01T000000" % m for m in range(1, 13)) + "\r\n"]


def mutate(text, rng):
    lines = text.replace(CRLF, "\n").split("\n")
    for _ in range(rng.randint(1, 4)):
        if not lines:
            lines = [""]
        kind = rng.randrange(7)
        i = rng.randrange(len(lines))
        if kind == 0:
            lines.insert(i, rng.choice(HOSTILE))
        elif kind == 1:
            lines.insert(i, zone("Bomb", rng.choice(RULES), rng.choice(
                ["16010101T000000", "19700101T000000", "00010101T000000"])).rstrip(CRLF))
        elif kind == 2:
            lines.insert(i, lines[rng.randrange(len(lines))])
        elif kind == 3:
            del lines[i]
        elif kind == 4 and lines[i]:
            j = rng.randrange(len(lines[i]))
            lines[i] = lines[i][:j] + chr(rng.randrange(0, 256)) + lines[i][j + 1:]
        elif kind == 5:
            lines = lines[:i]
        else:
            lines.insert(rng.randrange(len(lines) + 1), lines.pop(i))
    return rng.choice([CRLF, "\n"]).join(lines)


def main():
    rng = random.Random(23)
    for old in glob.glob(os.path.join(HERE, "m*.ics")):
        os.remove(old)
    names = sorted(SEEDS)
    for n in range(320):
        seed = names[n % len(names)]
        with open(os.path.join(HERE, "m%03d-%s.ics" % (n, seed)), "wb") as f:
            f.write(mutate(SEEDS[seed], rng).encode("utf-8", "surrogateescape"))


if __name__ == "__main__":
    main()
