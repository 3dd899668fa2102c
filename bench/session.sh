#!/usr/bin/env bash
# Runs bench_session under Xvfb at 1920 x 1080 in the "Hardware" and the "Software" scroll mode
# (4 x 4 anti-aliasing, constant speed 500 lines per second, 20 s each), then in "Direct X" at
# 100 lines per second with Super Scroll 0 and 3 and at 500 with Super Scroll 0 (the Super
# Scroll limit raised to 100 lines per second), and writes
# the section "Reading session: automatic movement ..." of docs/BENCHMARKS.md, replacing an
# older one and keeping the others. The book is a real text (the GPL v3 licence text that Debian
# ships) repeated to 4 MB, far more than 20 s at 500 pixels a second can reach.
# BUILD_DIR names the build directory (default build-sbench); SECONDS_PER_RUN the run length.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-sbench}
seconds=${SECONDS_PER_RUN:-20}
lps=500
bin="$build/bench/bench_session"
[ -x "$bin" ] || bin="$build/bin/bench_session"
if [ ! -x "$bin" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
  cmake --build "$build" -j1 --target bench_session >/dev/null
  bin=$(find "$build" -name bench_session -type f -perm -u+x | head -n1)
fi

data="$build/session-data"
mkdir -p "$data"
text="$data/book.txt"
source_text=/usr/share/common-licenses/GPL-3
if [ ! -s "$text" ]; then
  : > "$text"
  while [ "$(stat -c %s "$text")" -lt $((4 * 1024 * 1024)) ]; do cat "$source_text" >> "$text"; done
fi

# What else the machine was doing: the load average, and the compilers and fuzzers this shell
# can see (other sessions' processes may be hidden from it; the load average counts them too).
compilers() { ps -e -o comm= | grep -c -E '^(cc1plus|cc1|clang|clang\+\+|ld|lld|ninja|fuzz_.*)$' || true; }

results="$data/results.txt"
: > "$results"
# name:mode:lines per second:Super Scroll level:Super Scroll limit
runs="hardware:hardware:$lps:0:40 software:software:$lps:0:40 directx-100:directx:100:0:100 \
directx-100-super3:directx:100:3:100 directx-$lps:directx:$lps:0:100"
for run in $runs; do
  IFS=: read -r name mode run_lps super limit <<< "$run"
  folder=$(mktemp -d "$data/program.XXXXXX")
  load_before=$(cut -d' ' -f1-3 /proc/loadavg)
  compilers_before=$(compilers)
  xvfb-run -a -s "-screen 0 1920x1080x24" \
    "$bin" --folder "$folder" --text "$text" --mode "$mode" --lps "$run_lps" --seconds "$seconds" \
    --super-scroll "$super" --limit "$limit" > "$data/$name.out"
  load_after=$(cut -d' ' -f1-3 /proc/loadavg)
  compilers_after=$(compilers)
  rm -rf "$folder"
  cat "$data/$name.out"
  echo "LOAD $name $load_before | $load_after | $compilers_before | $compilers_after" >> "$results"
  grep -E '^(\||<!--)' "$data/$name.out" >> "$results"
done

cpu=$(lscpu | sed -n 's/^Model name: *//p' | head -n1)
cores=$(nproc)
memory=$(awk '/MemTotal/ { printf "%.0f GB", $2 / 1024 / 1024 }' /proc/meminfo)
os=$(. /etc/os-release && echo "$PRETTY_NAME")
qt=$(pkg-config --modversion Qt6Core 2>/dev/null || echo "6")
xvfb=$(dpkg-query -W -f '${Version}' xvfb 2>/dev/null || echo "?")
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")

python3 - "$results" docs/BENCHMARKS.md "$(date -u +%F)" "$cpu" "$cores" "$memory" "$os" "$qt" "$xvfb" \
  "${build_type:-RelWithDebInfo}" "$seconds" "$lps" <<'PY'
import re, sys
results, doc, date, cpu, cores, memory, os_name, qt, xvfb, build_type, seconds, lps = sys.argv[1:]
lines = open(results).read().splitlines()
header, rule, rows, notes, loads = None, None, [], [], []
for line in lines:
    if line.startswith("LOAD "):
        loads.append(line[5:])
    elif line.startswith("<!--"):
        notes.append(line[4:-3].strip())
    elif line.startswith("|---"):
        rule = line
    elif line.startswith("| ScrollMode"):
        header = line
    elif line.startswith("| "):
        rows.append(line)

def cells(row):
    return [c.strip() for c in row.strip().strip("|").split("|")]

hardware = next(cells(r) for r in rows if cells(r)[0].startswith("Hardware"))
steady_sps = float(hardware[2])
late_steady = int(hardware[4].split(" of ")[0])
cpu_share = float(hardware[5].split(" %")[0])
target = int(lps)
holds = steady_sps >= target * 0.99
verdict = [
    f"holds {target} steps per second: {'met' if holds else 'missed'} ({steady_sps:.1f} after the first second)",
    f"no late steps in steady state: {'met' if late_steady == 0 else 'missed'} ({late_steady} late)",
    f"under a third of one core: {'met' if cpu_share < 100 / 3 else 'missed'} ({cpu_share:.1f} %)",
]

super3 = next((cells(r) for r in rows if cells(r)[0].startswith("Direct X, Super Scroll 3")), None)
if super3 is not None:
    verdict.append(f"\"Direct X\" with Super Scroll 3 at 100 lines per second: {float(super3[2]):.1f} steps "
                   f"and {float(super3[7]):.1f} sub-steps per second, {super3[4]} late after the first second")

under_load = []
for entry in loads:
    mode, rest = entry.split(" ", 1)
    before, after, comp_before, comp_after = [p.strip() for p in rest.split("|")]
    under_load.append(f"{mode}: load average {before} before, {after} after; "
                      f"compiler and fuzzer processes visible {comp_before} before, {comp_after} after")
# Xvfb and the reader themselves keep about one core busy, so the load average says little; the
# cores' busy time minus theirs does.
others = [float(m) for n in notes for m in re.findall(r"other work on the machine meanwhile (\d+) %", n)]
loaded = any(int(e.split("|")[2]) > 0 or int(e.split("|")[3]) > 0 for e in loads) or any(o >= 20 for o in others)

section = f"""## Reading session: automatic movement at {lps} lines per second ({date})

Machine: {cpu}, {cores} cores, {memory}, {os_name}, Qt {qt}, Xvfb {xvfb}, {build_type} build.
{"Taken under load: other builds and fuzzers were running on the machine's 2 cores (see the load figures below), so the figures may be worse than on a quiet machine." if loaded else "The machine was quiet (other work under a fifth of a core, no compiler or fuzzer visible)."}

Measured with `bench/session.sh`, which runs `bench_session` under
`xvfb-run -a -s "-screen 0 1920x1080x24"`, so Qt takes the xcb platform and the X server does
the real drawing. The program builds a book from the GPL v3 licence text repeated to 4 MB
(imported into a scratch program folder with the factory settings), opens it in the real main
window (real clock, the window's own main loop) at 1920 × 1080, sets 4 × 4 anti-aliasing,
Priority "Quality", mode Scroll, constant speed {lps} lines per second and the scroll mode,
waits 1.5 s for the new layout, then runs the automatic movement for {seconds} s. Steps and late
steps are the engine's own counts (a step is late when it is taken more than one period after
it was due), read every 10 ms from the engine's run totals, which the statistics timer's
once-a-second roll (running as in the program) leaves alone; "steady state" is everything after
the first second. CPU is `CLOCK_PROCESS_CPUTIME_ID` of the process and user + system time of
the Xvfb process from `/proc`, before and after, divided by the seconds of scrolling; "other
work" is the busy time of both cores from `/proc/stat` minus those two.

In "Hardware" a step has the X server copy the surface's window up one row (`xcb_copy_area`)
and sends only the uncovered row (a one-row `xcb_put_image`), which the kept page picture
already holds; in "Software" every step shifts the text and composes and repaints the whole
page. In "Direct X" the page is kept in four pixmaps in the X server, one per sub-pixel phase:
a step copies the pixmap up one row inside itself, puts the new bottom row into it and copies
it to the window; with Super Scroll 3 each step is shown as four quarter-pixel positions at even
times within its period, each of the four pixmaps advancing by one row. Between steps the loop sleeps: a one-millisecond sleep while the step is further away
than that, then a short sleep to within a calibrated margin of it, and spins only the margin.

{header}
{rule}
""" + "\n".join(rows) + f"""

Goals for "Hardware" at {lps} lines per second, and the "Direct X" check: """ + "; ".join(verdict) + """.

Per-second detail of each run, and what else the machine was doing:

""" + "\n".join(f"- {n}" for n in notes) + "\n" + "\n".join(f"- {l}" for l in under_load) + "\n"

text = open(doc).read()
pattern = re.compile(r"^## Reading session: automatic movement at .*?(?=^## |\Z)", re.S | re.M)
if pattern.search(text):
    text = pattern.sub(lambda m: section + "\n", text, count=1)
else:
    text = text.rstrip("\n") + "\n\n" + section
open(doc, "w").write(text.rstrip("\n") + "\n")
print(section)
PY
