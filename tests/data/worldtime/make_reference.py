#!/usr/bin/env python3
"""Writes local_times.csv from `zdump -v` of the machine's tzdata.

For each zone: every transition instant of 2026-2030 as zdump prints it (one second
before and at the change), one minute before each change, and instants every
6 days 5 hours 13 minutes from 2026-01-01 00:07 UTC, and four instants around each New
Year. The local time of an instant is
UTC plus the UT offset of the last zdump line at or before it.

Run: python3 tests/data/worldtime/make_reference.py > tests/data/worldtime/local_times.csv
"""
import calendar
import re
import subprocess
import sys
import time

ZONES = [
    "Europe/London", "Europe/Dublin", "Europe/Berlin", "Europe/Chisinau", "Atlantic/Azores",
    "America/New_York", "America/Los_Angeles", "America/St_Johns", "America/Havana",
    "America/Nuuk", "America/Santiago", "America/Sao_Paulo", "America/Mexico_City",
    "Australia/Sydney", "Australia/Adelaide", "Australia/Brisbane", "Pacific/Auckland",
    "Pacific/Chatham", "Pacific/Kiritimati", "Pacific/Pago_Pago", "Africa/Cairo",
    "Asia/Jerusalem", "Asia/Gaza", "Asia/Tokyo", "Asia/Kolkata", "Asia/Kathmandu",
    "Asia/Tehran",
]

LINE = re.compile(r"^\S+\s+\w{3} (\w{3}) +(\d+) (\d\d):(\d\d):(\d\d) (\d{4}) UT = .* isdst=(\d) gmtoff=(-?\d+)$")
MONTHS = {m: i for i, m in enumerate(calendar.month_abbr) if m}
START = calendar.timegm((2026, 1, 1, 0, 0, 0))
END = calendar.timegm((2031, 1, 1, 0, 0, 0))


def states(zone):
    out = subprocess.run(["zdump", "-v", "-c", "1800,2031", zone], check=True,
                         capture_output=True, text=True).stdout
    result = []
    for line in out.splitlines():
        m = LINE.match(line)
        if not m:
            continue
        mon, day, hh, mm, ss, year, isdst, gmtoff = m.groups()
        t = calendar.timegm((int(year), MONTHS[mon], int(day), int(hh), int(mm), int(ss)))
        result.append((t, int(isdst), int(gmtoff)))
    return result


def state_at(table, t):
    current = table[0]
    for entry in table:
        if entry[0] <= t:
            current = entry
        else:
            break
    return current


def main():
    w = sys.stdout.write
    w("zone,utc,local,isdst,gmtoff_min\n")
    for zone in ZONES:
        table = states(zone)
        instants = set()
        for t, _, _ in table:
            if START <= t < END:
                instants.add(t)
                if t % 60 == 0:
                    instants.add(t - 60)
        # Around each New Year, where local and UTC years differ.
        for year in range(2026, 2031):
            for month, day, hh, mm in ((12, 31, 10, 30), (12, 31, 23, 59), (1, 1, 0, 0), (1, 1, 13, 0)):
                t = calendar.timegm((year if month == 12 else year + 1, month, day, hh, mm, 0))
                if START <= t < END:
                    instants.add(t)
        t = START + 7 * 60
        while t < END:
            instants.add(t)
            t += ((6 * 24 + 5) * 60 + 13) * 60
        for t in sorted(instants):
            _, isdst, gmtoff = state_at(table, t)
            utc = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(t))
            local = time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(t + gmtoff))
            w(f"{zone},{utc},{local},{isdst},{gmtoff // 60}\n")


if __name__ == "__main__":
    main()
