#!/usr/bin/env bash
# Measures rowdeal-split against the copies a user would otherwise make, on inputs this
# script makes itself under build/bench, and prints Markdown tables: each figure with its
# target and whether it is met, then the median times and peak memory behind them.
#
# Timings come in rounds: ours and its baselines run in turn, PAIRS times, and every
# ratio is taken within its round, so that a change in the machine's load between rounds
# moves both sides; the tables give the median ratio and its spread (min..max). Before
# every run the output folder is deleted and dirty pages are flushed; only the command
# itself is timed (wall clock from bash, user/system time and peak RSS from GNU time).
#
#   bench/run.sh                        1 GiB inputs, 7 pairs
#   SIZE_MIB=64 bench/run.sh            a quicker look
#   BIN=... EXE=... WORK=... PAIRS=...  another binary, Windows binary, folder, pair count
#   CALIBRATE=...                       the read calibration run first (bench/calibrate.cpp)
#   BIG_NS="100000 1000000"             output counts for the memory runs on a small source
#   WINE=0                              skip the Windows build
#   nice -n -15 bench/run.sh            steadier figures on a loaded machine (as root)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BIN=$(realpath "${BIN:-build/linux/app/rowdeal-split}")
CALIBRATE=$(realpath -m "${CALIBRATE:-build/linux/bench/rowdeal-calibrate}")
EXE=${EXE:-build/windows/app/rowdeal-split.exe}
WORK=${WORK:-build/bench}
SIZE_MIB=${SIZE_MIB:-1024}
PAIRS=${PAIRS:-7}
BIG_NS=${BIG_NS:-100000 1000000}
WINE=${WINE:-1}
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

# Inputs: 80-byte lines ending in CR LF, the first one the header; the UTF-8 file has no
# byte-order mark and a non-ASCII character in every line. small.csv (1 MiB) is the
# source for the huge output counts, oneline.csv a single line of the whole size.
python3 - "$WORK" "$SIZE_MIB" <<'PY'
import os, sys
work, size = sys.argv[1], int(sys.argv[2]) << 20
def fill(name, block, size=size):
    path = os.path.join(work, name)
    if os.path.exists(path) and os.path.getsize(path) == size:
        return
    with open(path, "wb") as f:
        done = 0
        while done < size:
            piece = block[: size - done]
            f.write(piece)
            done += len(piece)
u8 = b"".join(("%08d;caf\u00e9;" % i).encode() + b"x" * 63 + b"\r\n" for i in range(13107))
u16 = b"\xff\xfe" + b"".join(("%08d;" % i + "y" * 29 + "\r\n").encode("utf-16-le") for i in range(13107))
assert len(u8) == 13107 * 80 and len(u16) == 13107 * 80 + 2
fill("utf8.csv", u8)
fill("utf16.csv", u16)
fill("small.csv", u8, 1 << 20)
fill("oneline.csv", b"z" * (1 << 20))
PY
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

export WINEPREFIX=$WORK/wineprefix WINEDEBUG=-all
WINE_RUN=$ROOT/cmake/wine-run.sh

# cmd LABEL INPUT: sets C (the command), D (the folder it writes), K (files expected) and
# W (1 when they must hold at least the source's bytes).
cmd() {
  local f=$2.csv
  D=$2 K=5 W=1
  case $1 in
    ours5) C=("$BIN" --header 1 --cycle 5 "$f") ;;
    ours1000) C=("$BIN" --header 1 --cycle 1000 "$f") K=1000 ;;
    ours-h0-*) K=${1#ours-h0-} C=("$BIN" --header 0 --cycle "$K" "$f") ;;
    wine5) C=("$WINE_RUN" "$EXE" --header 1 --cycle 5 "$f") ;;
    winehelp) C=("$WINE_RUN" "$EXE" --help) D= K=0 ;;
    dd) C=(dd if="$f" of=out/copy.bin bs=256K) D=out K=1 ;;
    split) C=(split -n r/5 "$f" out/part-) D=out ;;
    create1000) C=(touch out/"$2"-{1..1000}.csv) D=out K=1000 W=0 ;;
  esac
}

# run LOOP INPUT ROUND LABEL: one timed run into fresh folders, one line in the log. A run
# that fails, or leaves the wrong number of files or fewer bytes than its source, is
# logged as such and kept out of the figures.
run() {
  local loop=$1 input=$2 round=$3 label=$4 t0 t1 status=ok rc=0 u s m
  cmd "$label" "$input"
  rm -rf out "$input"
  mkdir out
  sync
  t0=$EPOCHREALTIME
  /usr/bin/time -f '%U %S %M' -o .time "${C[@]}" >/dev/null 2>.stderr || rc=$?
  t1=$EPOCHREALTIME
  read -r u s m < <(tail -n 1 .time)
  if [ "$rc" != 0 ]; then
    status="exit-$rc"
    echo "$label on $input failed (exit $rc): $(head -c 300 .stderr)" >&2
  elif [ -n "$D" ]; then
    local files bytes
    read -r files bytes < <(find "$D" -maxdepth 1 -type f -printf '%s\n' | awk '{n++; b+=$1} END {print n+0, b+0}')
    if [ "$files" != "$K" ] || { [ "$W" = 1 ] && [ "$bytes" -lt "$(stat -c %s "$input.csv")" ]; }; then
      status=bad-output
      echo "$label on $input: $files files, $bytes bytes" >&2
    fi
  fi
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$loop" "$input" "$round" "$label" \
    "$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.4f", b - a}')" "$u" "$s" "$m" "$status" >>"$LOG"
}

pairs() {  # INPUT A B...: PAIRS rounds of each command in turn
  local input=$1 loop r label
  shift
  loop=$(IFS=-; echo "$*")
  for r in $(seq "$PAIRS"); do
    for label in "$@"; do run "$loop" "$input" "$r" "$label"; done
  done
}

if [ "$WINE" = 1 ]; then
  echo "Preparing the Wine prefix ($WINEPREFIX)..." >&2
  "$WINE_RUN" "$EXE" --help >/dev/null 2>&1 || { echo "wine cannot run $EXE" >&2; exit 1; }
  # One server for all the Wine runs, so that none of them pays for starting it; it
  # leaves by itself 30 s after the last.
  wineserver -w
  wineserver -p30
  for r in $(seq "$PAIRS"); do run startup wine "$r" winehelp; done
fi
for input in utf16 utf8; do
  echo "Timing $input..." >&2
  cat "$input.csv" >/dev/null
  pairs "$input" ours5 dd
  pairs "$input" split ours5
  pairs "$input" ours5 ours1000 create1000
  [ "$WINE" = 0 ] || pairs "$input" ours5 wine5
done
echo "Memory runs..." >&2
for n in $BIG_NS; do run memory small 1 "ours-h0-$n"; done
cat oneline.csv >/dev/null
run memory oneline 1 ours-h0-5
rm -rf out utf8 utf16 small oneline .time .stderr

python3 - "$LOG" "$SIZE_MIB" "$PAIRS" "$(nproc)" "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2)" "$LOAD" "${WINE_NOTE:-}" <<'PY'
import csv, statistics as st, sys
log, mib, pairs, cores, model, load, wine_note = sys.argv[1:]
rows = list(csv.DictReader(open(log), delimiter="\t"))
ok = [r for r in rows if r["status"] == "ok"]
bad = [r for r in rows if r["status"] != "ok"]
med = lambda xs: st.median(xs) if xs else None
def runs(loop, inp, label):
    return {r["round"]: r for r in ok if r["loop"] == loop and r["input"] == inp and r["label"] == label}
def ratios(loop, inp, num, den, f=lambda a, b: float(a["wall"]) / float(b["wall"])):
    a, b = runs(loop, inp, num), runs(loop, inp, den)
    return [f(a[k], b[k]) for k in a if k in b]
def created_apart(inp):  # N = 5 over N = 1000 less the touch of 1000 files in its round
    loop = "ours5-ours1000-create1000"
    a, b, c = (runs(loop, inp, label) for label in ("ours5", "ours1000", "create1000"))
    return [float(a[k]["wall"]) / (float(b[k]["wall"]) - float(c[k]["wall"])) for k in a if k in b and k in c]
startup = med([float(r["wall"]) for r in ok if r["label"] == "winehelp"])
names = {"utf16": "UTF-16 LE with mark", "utf8": "UTF-8 without mark"}
figures = []  # (what, values, target text, meets)
for inp in ("utf16", "utf8"):
    n = names[inp]
    figures.append((f"{n}, N = 5: ours / dd copy (wall time)", ratios("ours5-dd", inp, "ours5", "dd"), "≤ 1.10", lambda v: v <= 1.10))
    figures.append((f"{n}, N = 5: split -n r/5 / ours (wall time)", ratios("split-ours5", inp, "split", "ours5"), "≥ 4", lambda v: v >= 4))
    figures.append((f"{n}: throughput N = 1000 / N = 5", ratios("ours5-ours1000-create1000", inp, "ours5", "ours1000"), "≥ 0.6", lambda v: v >= 0.6))
    figures.append((f"{n}: the same, the file system's creation of 1000 empty files subtracted", created_apart(inp), "(≥ 0.6)", lambda v: v >= 0.6))
    if startup is not None:
        wine = ratios("ours5-wine5", inp, "wine5", "ours5", lambda w, o: (float(w["wall"]) - startup) / float(o["wall"]))
        figures.append((f"{n}, N = 5: Wine (start-up subtracted) / native", wine, "≤ 1.5", lambda v: v <= 1.5))
print(f"Inputs of {mib} MiB, 80-byte CR LF lines, header 1, page cache warm; {pairs} pairs per figure.")
print(f"Machine: {cores} cores,{model}, load average {load} at the start.")
print()
print("| figure | median | spread | target | met |")
print("|---|---|---|---|---|")
for what, vals, target, meets in figures:
    if vals:
        m = med(vals)
        print(f"| {what} | {m:.2f} | {min(vals):.2f}..{max(vals):.2f} | {target} | {'yes' if meets(m) else 'no'} |")
    else:
        print(f"| {what} | failed | | {target} | no |")
def peak(pred):
    rs = [r for r in rows if pred(r)]
    if not rs:
        return None
    if any(r["status"] != "ok" for r in rs):
        return "failed (" + ", ".join(sorted({r["status"] for r in rs if r["status"] != "ok"})) + ")"
    return max(int(r["rss_kib"]) for r in rs) / 1024
mem = [("N = 5 (both inputs)", peak(lambda r: r["label"] == "ours5")),
       ("N = 1000 (both inputs)", peak(lambda r: r["label"] == "ours1000"))]
mem += [(f"N = {int(r['label'].rsplit('-', 1)[1]):,}, header 0, 1 MiB source", peak(lambda x, r=r: x is r))
        for r in rows if r["input"] == "small"]
mem += [(f"one line of {mib} MiB, header 0, N = 5", peak(lambda r: r["input"] == "oneline"))]
for what, v in mem:
    shown = v if isinstance(v, str) else f"{v:.1f}"
    print(f"| peak memory (MiB), {what} | {shown} | | ≤ 64 | {'yes' if isinstance(v, float) and v <= 64 else 'no'} |")
print()
print("Medians over every run of each command: wall, user and system seconds, and the wait")
print("(wall less user and system: time spent neither computing nor in the kernel for it);")
print("the peak memory is the largest of the runs.")
print()
print("| input | command | runs | wall s | user s | system s | wait s | peak MiB |")
print("|---|---|---|---|---|---|---|---|")
seen = []
for r in ok:
    if (r["input"], r["label"]) not in seen:
        seen.append((r["input"], r["label"]))
for inp, label in seen:
    rs = [r for r in ok if r["input"] == inp and r["label"] == label]
    col = lambda k: med([float(r[k]) for r in rs])
    print(f"| {inp} | {label} | {len(rs)} | {col('wall'):.3f} | {col('user'):.2f} | {col('sys'):.2f} | "
          f"{med([float(r['wall']) - float(r['user']) - float(r['sys']) for r in rs]):.2f} | "
          f"{max(int(r['rss_kib']) for r in rs) / 1024:.1f} |")
if startup is not None:
    print()
    print(f"Wine start-up (`rowdeal-split.exe --help`, median) {startup:.3f} s, subtracted from each Wine run.")
if wine_note:
    print()
    print(wine_note)
if bad:
    print()
    print(f"{len(bad)} run(s) failed or left wrong outputs and are left out: "
          + ", ".join(f"{r['input']} {r['label']} ({r['status']})" for r in bad))
print()
print("Commands, run in the inputs' folder: ours5, ours1000 and ours-h0-N are `rowdeal-split")
print("--header 1 --cycle 5|1000 FILE` and `--header 0 --cycle N FILE` (outputs in FILE's new")
print("folder); dd is `dd if=FILE of=out/copy.bin bs=256K`, split `split -n r/5 FILE out/part-`")
print("(out/ made empty before each run); create1000 is `touch out/FILE-1.csv ... out/FILE-1000.csv`,")
print("the cost of making 1000 empty files in a new folder on this file system, measured in the")
print("same rounds as N = 1000; wine5 is `wine rowdeal-split.exe --header 1 --cycle 5")
print(f"FILE`. Every run: {log}")
PY
