#!/usr/bin/env bash
# Measures rowdeal-split against the copies a user would otherwise make, on inputs this
# script makes itself under build/bench, and prints Markdown tables: each figure with its
# target and whether it is met, then the median times and peak memory behind them.
#
# Timings come in rounds: ours and its baselines run in turn (each round beginning with
# the next of them), PAIRS times, and every ratio is taken within its round, so that a
# change in the machine's load between rounds moves both sides; the tables give the
# median ratio and its spread (min..max). Before every run the output folder is deleted
# and dirty pages are flushed; only the command itself is timed (wall clock from bash,
# user/system time and peak RSS from GNU time).
#
#   bench/run.sh                        1 GiB inputs, 7 pairs
#   SIZE_MIB=64 bench/run.sh            a quicker look
#   BIN=... EXE=... WORK=... PAIRS=...  another binary, Windows binary, folder, pair count
#   CALIBRATE=...                       the read calibration run first (bench/calibrate.cpp)
#   BIG_NS="1000000"                    output counts of --cycle and --parts for the memory runs
#   WINE=0                              skip the Windows build
#   BY=0                                skip the split by a column's value (bench/by.sh)
#   MERGE=0                             skip the merge (bench/merge.sh, run last)
#   nice -n -15 bench/run.sh            steadier figures on a loaded machine (as root)
#
# Rows for options the binary lacks print "not measured (option missing)".
set -euo pipefail
cd "$(dirname "$0")/.."
# The reports share their table of runs (bench/runs_table.py).
export PYTHONPATH="$PWD/bench${PYTHONPATH:+:$PYTHONPATH}"
ROOT=$PWD
BIN=$(realpath "${BIN:-build/linux/app/rowdeal-split}")
CALIBRATE=$(realpath -m "${CALIBRATE:-build/linux/bench/rowdeal-calibrate}")
EXE=${EXE:-build/windows/app/rowdeal-split.exe}
WORK=${WORK:-build/bench}
SIZE_MIB=${SIZE_MIB:-1024}
PAIRS=${PAIRS:-7}
BIG_NS=${BIG_NS:-1000000}
WINE=${WINE:-1}
BY=${BY:-1}
MERGE=${MERGE:-1}
[ -x "$BIN" ] || { echo "build rowdeal-split first (make build-linux)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time is missing (scripts/setup.sh installs it)" >&2; exit 1; }
mkdir -p "$WORK"
WORK=$(realpath "$WORK")
if [ "$WINE" = 0 ]; then
  WINE_NOTE="The Windows build was not measured (WINE=0)."
elif [ ! -f "$EXE" ]; then
  WINE_NOTE="The Windows build was not measured: $EXE is absent (make build-windows)."
  WINE=0
else
  EXE=$(realpath "$EXE")
fi
LOAD=$(cut -d' ' -f1-3 /proc/loadavg)
VM=$(systemd-detect-virt --vm 2>/dev/null || true)
VENDOR=$(lscpu | sed -n 's/^Hypervisor vendor: *//p')
BOX=$(systemd-detect-virt --container 2>/dev/null || true)
MACHINE="$(nproc) cores,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2), $(free -g | awk '/^Mem:/ {print $2}') GiB,\
 hypervisor ${VM:-none found} (lscpu: ${VENDOR:-none}), container ${BOX:-none}, Linux $(uname -r),\
 $WORK on $(findmnt -no FSTYPE -T "$WORK")"
HELP=$("$BIN" --help 2>&1 || true)
MISSING=
for option in --rows --parts --max-size; do
  grep -q -- "$option" <<<"$HELP" || MISSING="$MISSING $option"
done
has() { [[ " $MISSING " != *" $1 "* ]]; }

# Inputs: 80-byte lines ending in CR LF, the first one the header; the UTF-8 file has no
# byte-order mark and a non-ASCII character in every line. quoted.csv is UTF-8 with a
# mark, CR LF records of 80 bytes, every fourth with a quoted cell holding two LFs and a
# doubled quote, cut after a whole record. small.csv (1 MiB) is the source for the huge
# output counts, oneline.csv a single line of the whole size. Prints the UTF-8 input's
# records after its header.
RECORDS=$(python3 - "$WORK" "$SIZE_MIB" <<'PY'
import os, sys
work, size = sys.argv[1], int(sys.argv[2]) << 20
def fill(name, block, size=size, head=b""):
    path = os.path.join(work, name)
    if os.path.exists(path) and os.path.getsize(path) == size:
        return
    with open(path, "wb") as f:
        f.write(head)
        done = len(head)
        while done < size:
            piece = block[: size - done]
            f.write(piece)
            done += len(piece)
u8 = b"".join(("%08d;caf\u00e9;" % i).encode() + b"x" * 63 + b"\r\n" for i in range(13107))
u16 = b"\xff\xfe" + b"".join(("%08d;" % i + "y" * 29 + "\r\n").encode("utf-16-le") for i in range(13107))
quoted = b"".join((('%08d;"a\nb\nc""d";' % i).encode() + b"x" * 58 if i % 4 == 3 else
                   ("%08d;caf\u00e9;" % i).encode() + b"x" * 63) + b"\r\n" for i in range(13108))
assert len(u8) == 13107 * 80 and len(u16) == 13107 * 80 + 2 and len(quoted) == 13108 * 80
fill("utf8.csv", u8)
fill("utf16.csv", u16)
fill("quoted.csv", quoted, 3 + (size - 3) // 80 * 80, b"\xef\xbb\xbf")
fill("small.csv", u8, 1 << 20)
fill("oneline.csv", b"z" * (1 << 20))
print(-(-size // 80) - 1)
PY
)
ROWS8=$(( (RECORDS + 7) / 8 ))
cd "$WORK"
# First what reading costs here, block sizes and mapped windows, on the UTF-8 input.
if [ -x "$CALIBRATE" ]; then
  echo "Calibrating the reads..." >&2
  CAL_OUT=$("$CALIBRATE" utf8.csv)
else
  CAL_OUT="The calibration was not run: $CALIBRATE is absent (make build-linux)."
fi
printf 'What a GiB of the page-cached UTF-8 input costs here, read and scanned for LFs (fastest\nof 3 passes):\n\n%s\n\n' "$CAL_OUT"
LOG=$WORK/runs.tsv
printf 'loop\tinput\tround\tlabel\twall\tuser\tsys\trss_kib\tstatus\n' >"$LOG"
: >refusals.txt

export WINEPREFIX=$WORK/wineprefix WINEDEBUG=-all
WINE_RUN=$ROOT/cmake/wine-run.sh

# cmd LABEL INPUT: sets C (the command), D (the folder it writes), K (files expected, -
# for any number), W (1 when they must hold at least the source's bytes), F (1 when the
# command must be refused) and O (the option of ours it needs).
cmd() {
  local f=$2.csv
  D=$2 K=5 W=1 F=0 O=
  case $1 in
    ours5) C=("$BIN" --header 1 --cycle 5 "$f") ;;
    lines5) C=("$BIN" --header 1 --cycle 5 --records lines "$f") ;;
    ours1000) C=("$BIN" --header 1 --cycle 1000 "$f") K=1000 ;;
    rows100k) C=("$BIN" --header 1 --rows 100000 "$f") K=- ;;
    maxsize64M) C=("$BIN" --header 1 --max-size 64M "$f") K=- ;;
    parts8) C=("$BIN" --header 1 --parts 8 "$f") K=8 ;;
    rows8) C=("$BIN" --header 1 --rows "$ROWS8" "$f") K=8 ;;
    h0-cycle-*) K=${1#h0-cycle-} C=("$BIN" --header 0 --cycle "$K" "$f") ;;
    h0-parts-*) K=- C=("$BIN" --header 0 --parts "${1#h0-parts-}" "$f") ;;
    h0-rows-*) K=- C=("$BIN" --header 0 --rows "${1#h0-rows-}" "$f") ;;
    h0-maxsize-*) K=- C=("$BIN" --header 0 --max-size "${1#h0-maxsize-}" "$f") ;;
    refused-maxsize-*) F=1 C=("$BIN" --header 0 --max-size "${1#refused-maxsize-}" "$f") ;;
    wine5) C=("$WINE_RUN" "$EXE" --header 1 --cycle 5 "$f") ;;
    winehelp) C=("$WINE_RUN" "$EXE" --help) D= K=0 ;;
    dd) C=(dd if="$f" of=out/copy.bin bs=256K) D=out K=1 ;;
    split) C=(split -n r/5 "$f" out/part-) D=out ;;
    split-l) C=(split -l 100000 "$f" out/part-) D=out K=- ;;
    split-C) C=(split -C 64M "$f" out/part-) D=out K=- ;;
    create1000) C=(touch out/"$2"-{1..1000}.csv) D=out K=1000 W=0 ;;
    split1000) C=(split -n 1000 "$f" out/part-) D=out K=1000 ;;
  esac
  case "${C[*]}" in
    *--rows*) O=--rows ;;
    *--parts*) O=--parts ;;
    *--max-size*) O=--max-size ;;
  esac
}

log() {  # LOOP INPUT ROUND LABEL WALL USER SYS RSS STATUS
  local IFS=$'\t'
  echo "$*" >>"$LOG"
}

# run LOOP INPUT ROUND LABEL: one timed run into fresh folders, one line in the log. A run
# that fails (or succeeds where it must be refused), or leaves the wrong number of files
# or fewer bytes than its source, is logged as such and kept out of the figures.
run() {
  local loop=$1 input=$2 round=$3 label=$4 t0 t1 status=ok rc=0 u s m
  cmd "$label" "$input"
  if [ -n "$O" ] && ! has "$O"; then
    log "$loop" "$input" "$round" "$label" 0 0 0 0 option-missing
    return
  fi
  rm -rf out "$input"
  mkdir out
  sync
  t0=$EPOCHREALTIME
  /usr/bin/time -f '%U %S %M' -o .time "${C[@]}" >/dev/null 2>.stderr || rc=$?
  t1=$EPOCHREALTIME
  read -r u s m < <(tail -n 1 .time)
  if [ "$F" = 1 ]; then
    if [ "$rc" = 0 ]; then
      status=not-refused
      echo "$label on $input was not refused" >&2
    else
      printf '%s on %s: %s\n' "$label" "$input" "$(head -n 1 .stderr)" >>refusals.txt
    fi
  elif [ "$rc" != 0 ]; then
    status="exit-$rc"
    echo "$label on $input failed (exit $rc): $(head -c 300 .stderr)" >&2
  elif [ -n "$D" ]; then
    local files bytes
    # The pieces alone: the folder's record of the split (~R.manifest) is no piece.
    read -r files bytes < <(find "$D" -maxdepth 1 -type f ! -name '~R.*' -printf '%s\n' | awk '{n++; b+=$1} END {print n+0, b+0}')
    if { [ "$K" != - ] && [ "$files" != "$K" ]; } || { [ "$W" = 1 ] && [ "$bytes" -lt "$(stat -c %s "$input.csv")" ]; }; then
      status=bad-output
      echo "$label on $input: $files files, $bytes bytes" >&2
    fi
  fi
  log "$loop" "$input" "$round" "$label" "$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.4f", b - a}')" \
    "$u" "$s" "$m" "$status"
}

pairs() {  # INPUT A B...: PAIRS rounds of each command in turn, none if one cannot run
  local input=$1 loop r label
  shift
  loop=$(IFS=-; echo "$*")
  for label in "$@"; do
    cmd "$label" "$input"
    if [ -n "$O" ] && ! has "$O"; then
      for label in "$@"; do log "$loop" "$input" 1 "$label" 0 0 0 0 option-missing; done
      return
    fi
  done
  # Each round starts with the next command: the one that runs second in a round was
  # seen to pay more system time, whichever it was.
  local labels=("$@") n=$# i
  for r in $(seq "$PAIRS"); do
    for i in $(seq 0 $((n - 1))); do run "$loop" "$input" "$r" "${labels[(r + i) % n]}"; done
  done
}

if [ "$WINE" = 1 ]; then
  echo "Preparing the Wine prefix ($WINEPREFIX)..." >&2
  "$WINE_RUN" "$EXE" --help >/dev/null 2>&1 || { echo "wine cannot run $EXE" >&2; exit 1; }
  # One server for all the Wine runs, kept until the end: a server that left meanwhile
  # costs the next run a second or two of starting again, which is no part of the split.
  # A server kept by an earlier run in this prefix would never leave: it is stopped first.
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineserver -p
  trap 'wineserver -k 2>/dev/null || true' EXIT
fi
for input in utf16 utf8; do
  echo "Timing $input..." >&2
  cat "$input.csv" >/dev/null
  pairs "$input" ours5 dd
  pairs "$input" split ours5
  # GNU split writing the same bytes into 1000 files, in contiguous pieces: what so many
  # files cost this file system beyond one copy and their creation.
  pairs "$input" ours1000 dd create1000 split1000
  # Wine's start-up (--help) in the same rounds, subtracted round by round.
  [ "$WINE" = 0 ] || pairs "$input" ours5 wine5 winehelp
done
pairs utf8 rows100k split-l
pairs utf8 maxsize64M split-C
pairs utf8 parts8 rows8
echo "Timing quoted..." >&2
cat quoted.csv >/dev/null
pairs quoted ours5 lines5
echo "Memory runs..." >&2
for n in $BIG_NS; do
  run memory small 1 "h0-cycle-$n"
  run memory small 1 "h0-parts-$n"
done
run memory small 1 h0-rows-1
run memory small 1 h0-maxsize-1K
cat oneline.csv >/dev/null
for label in h0-cycle-5 h0-rows-1 h0-maxsize-2G refused-maxsize-64M; do run memory oneline 1 "$label"; done
rm -rf out utf8 utf16 quoted small oneline .time .stderr

python3 - "$LOG" "$SIZE_MIB" "$PAIRS" "$MACHINE" "$LOAD" "${WINE_NOTE:-}" "$MISSING" "$ROWS8" <<'PY'
import csv, statistics as st, sys
from runs_table import print_failed, print_runs_table
log, mib, pairs, machine, load, wine_note, missing, rows8 = sys.argv[1:]
missing = missing.split()
rows = list(csv.DictReader(open(log), delimiter="\t"))
ok = [r for r in rows if r["status"] == "ok"]
bad = [r for r in rows if r["status"] not in ("ok", "option-missing")]
med = lambda xs: st.median(xs) if xs else None
wall = lambda r: float(r["wall"])
def runs(loop, inp, label):
    return {r["round"]: r for r in ok if r["loop"] == loop and r["input"] == inp and r["label"] == label}
def ratios(loop, inp, num, *den):  # num over the sum of den, round by round
    a, b = runs(loop, inp, num), [runs(loop, inp, d) for d in den]
    return [wall(a[k]) / sum(wall(x[k]) for x in b) for k in a if all(k in x for x in b)]
startup = med([wall(r) for r in ok if r["label"] == "winehelp"])
def wine(inp):
    loop = "ours5-wine5-winehelp"
    a, b, c = runs(loop, inp, "wine5"), runs(loop, inp, "ours5"), runs(loop, inp, "winehelp")
    return [(wall(a[k]) - wall(c[k])) / wall(b[k]) for k in a if k in b and k in c]
at_most = lambda t: (f"≤ {t:.2f}", lambda v: v <= t)
reference = ("(reference)", None)
names = {"utf16": "UTF-16 LE with mark", "utf8": "UTF-8 without mark"}
figures = []  # (what, options needed, values, (target text, meets))
for inp in ("utf16", "utf8"):
    n = names[inp]
    figures += [(f"{n}: ours at --cycle 5 / dd copy", [], ratios("ours5-dd", inp, "ours5", "dd"), at_most(1.10)),
                (f"{n}: split -n r/5 / ours at --cycle 5", [], ratios("split-ours5", inp, "split", "ours5"),
                 ("≥ 4", lambda v: v >= 4)),
                (f"{n}: ours at --cycle 1000 / (dd copy + touch of 1000 new files)", [],
                 ratios("ours1000-dd-create1000-split1000", inp, "ours1000", "dd", "create1000"), at_most(1.25)),
                (f"{n}: split -n 1000 / (dd copy + touch of 1000 new files), the file system's share", [],
                 ratios("ours1000-dd-create1000-split1000", inp, "split1000", "dd", "create1000"), reference),
                (f"{n}: ours at --cycle 1000 / split -n 1000", [],
                 ratios("ours1000-dd-create1000-split1000", inp, "ours1000", "split1000"), reference)]
    if startup is not None:
        figures.append((f"{n}: Windows build under Wine (start-up subtracted) / native at --cycle 5", [], wine(inp),
                        at_most(1.5)))
figures += [("UTF-8 without mark: --rows 100000 / split -l 100000", ["--rows"],
             ratios("rows100k-split-l", "utf8", "rows100k", "split-l"), at_most(1.10)),
            ("UTF-8 without mark: --max-size 64M / split -C 64M", ["--max-size"],
             ratios("maxsize64M-split-C", "utf8", "maxsize64M", "split-C"), at_most(1.10)),
            (f"UTF-8 without mark: --parts 8 / --rows {rows8} (the same 8 pieces)", ["--parts", "--rows"],
             ratios("parts8-rows8", "utf8", "parts8", "rows8"), at_most(2)),
            ("quoted CSV, UTF-8 with mark, --cycle 5: by records / --records lines", [],
             ratios("ours5-lines5", "quoted", "ours5", "lines5"), at_most(1.10))]
print(f"Inputs of {mib} MiB, 80-byte CR LF records, header 1, page cache warm; {pairs} rounds per figure.")
print(f"Machine: {machine}; load average {load} at the start.")
print()
print("| figure | median | spread | target | met |")
print("|---|---|---|---|---|")
for what, needs, vals, (target, meets) in figures:
    if any(o in missing for o in needs):
        print(f"| {what} | not measured (option missing) | | {target} | |")
    elif vals:
        m = med(vals)
        met = "" if meets is None else "yes" if meets(m) else "no"
        print(f"| {what} | {m:.2f} | {min(vals):.2f}..{max(vals):.2f} | {target} | {met} |")
    else:
        print(f"| {what} | failed | | {target} | {'' if meets is None else 'no'} |")
def peak(rs):
    if any(r["status"] != "ok" for r in rs):
        return "failed (" + ", ".join(sorted({r["status"] for r in rs if r["status"] != "ok"})) + ")"
    return max(int(r["rss_kib"]) for r in rs) / 1024
source = {"small": "1 MiB source", "oneline": f"one line of {mib} MiB"}
modes = {"cycle": "--cycle", "parts": "--parts", "rows": "--rows", "maxsize": "--max-size"}
for r in (r for r in rows if r["loop"] == "memory"):
    kind, mode, arg = r["label"].split("-")
    arg = f"{int(arg):,}" if arg.isdigit() else arg
    what = f"peak memory (MiB), {source[r['input']]}, header 0, {modes[mode]} {arg}"
    if kind == "refused":
        what += " (must be refused)"
    if r["status"] == "option-missing":
        print(f"| {what} | not measured (option missing) | | ≤ 64 | |")
    else:
        v = peak([r])
        shown = v if isinstance(v, str) else f"{v:.1f}"
        print(f"| {what} | {shown} | | ≤ 64 | {'yes' if isinstance(v, float) and v <= 64 else 'no'} |")
for what, labels in [(f"--cycle 5, {mib} MiB inputs", ["ours5"]), (f"--cycle 1000, {mib} MiB inputs", ["ours1000"])]:
    rs = [r for r in rows if r["label"] in labels and r["loop"] != "memory"]
    if rs:
        v = peak(rs)
        shown = v if isinstance(v, str) else f"{v:.1f}"
        print(f"| peak memory (MiB), {what} | {shown} | | ≤ 64 | {'yes' if isinstance(v, float) and v <= 64 else 'no'} |")
print()
print("Medians over every run of each command: wall, user and system seconds, and the wait")
print("(wall less user and system: time spent neither computing nor in the kernel for it;")
print("negative where two threads ran at once); the peak memory is the largest of the runs.")
print()
print_runs_table(ok)
refusals = open("refusals.txt").read().strip()
if refusals:
    print()
    print("Refused as they must be (first line of the message):")
    print()
    for line in refusals.splitlines():
        print(f"    {line}")
if startup is not None:
    print()
    print(f"Wine start-up (`rowdeal-split.exe --help`, median) {startup:.3f} s; each Wine run has the start-up of its own round subtracted.")
if wine_note:
    print()
    print(wine_note)
print_failed(bad)
print()
print("Commands, run in the inputs' folder, each writing into a folder that did not exist:")
print("ours5, ours1000: `rowdeal-split --header 1 --cycle 5|1000 FILE` (FILE's new folder);")
print("lines5 the same with `--records lines`; rows100k `--rows 100000`, maxsize64M")
print(f"`--max-size 64M`, parts8 `--parts 8`, rows8 `--rows {rows8}`; h0-MODE-ARG: `--header 0`")
print("with that mode; dd `dd if=FILE of=out/copy.bin bs=256K`; split `split -n r/5 FILE")
print("out/part-`, split-l `split -l 100000`, split-C `split -C 64M`; create1000 `touch")
print("out/FILE-1.csv ... out/FILE-1000.csv`, what making 1000 empty files in a new folder")
print("costs on this file system, in the same rounds as N = 1000 and its dd; split1000 `split")
print("-n 1000 FILE out/part-`, the same bytes into 1000 files in one piece each; wine5 `wine")
print(f"rowdeal-split.exe --header 1 --cycle 5 FILE`. Every run: {log}")
PY

# The split by a column's value has inputs and tables of its own (bench/by.sh alone runs it
# alone), in $WORK/by.
if [ "$BY" = 1 ]; then
  echo
  BIN=$BIN WORK=$WORK SIZE_MIB=$SIZE_MIB PAIRS=$PAIRS "$ROOT/bench/by.sh"
fi
# The merge splits the UTF-8 input into pieces of its own, in $WORK/merge, and merges them.
if [ "$MERGE" = 1 ]; then
  echo
  BIN=$BIN WORK=$WORK SIZE_MIB=$SIZE_MIB PAIRS=$PAIRS "$ROOT/bench/merge.sh"
fi
