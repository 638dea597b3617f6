#!/usr/bin/env bash
# Measures rowdeal-merge against `cat` and `cmp` on pieces that rowdeal-split makes of the
# benchmark's UTF-8 source (utf8.csv, made as bench/run.sh makes it when missing), and
# prints Markdown tables in the manner of bench/run.sh, which runs it last: each figure
# with its target and whether it is met, then the median times and peak memory.
#
# Timings come in rounds, as in bench/run.sh: ours and its baselines run in turn (each
# round beginning with the next of them), PAIRS times, every ratio taken within its round;
# the tables give the median ratio and its spread (min..max). Before every run the output
# folder is deleted and dirty pages flushed. Everything is written under $WORK/merge, on
# the inputs' file system, and the pieces and outputs are deleted at the end.
#
#   bench/merge.sh                       1 GiB source, 7 pairs, 100,000 pieces
#   SIZE_MIB=256 PAIRS=3 bench/merge.sh  a quicker look
#   BIN=... WORK=... PAIRS=...           another rowdeal-split, folder, pair count
#   MERGE_BIN=...                        another rowdeal-merge (default: beside BIN)
#   MANY=100000                          pieces of the memory runs; 0 skips them
set -euo pipefail
cd "$(dirname "$0")/.."
# The reports share their table of runs (bench/runs_table.py).
export PYTHONPATH="$PWD/bench${PYTHONPATH:+:$PYTHONPATH}"
BIN=$(realpath "${BIN:-build/linux/app/rowdeal-split}")
MERGE_BIN=$(realpath -m "${MERGE_BIN:-$(dirname "$BIN")/rowdeal-merge}")
WORK=${WORK:-build/bench}
SIZE_MIB=${SIZE_MIB:-1024}
PAIRS=${PAIRS:-7}
MANY=${MANY:-100000}
[ -x "$BIN" ] || { echo "build rowdeal-split first (make build-linux)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time is missing (scripts/setup.sh installs it)" >&2; exit 1; }
if [ ! -x "$MERGE_BIN" ]; then
  echo "The merge was not measured: $MERGE_BIN is absent (make build-linux)."
  exit 0
fi
mkdir -p "$WORK/merge"
WORK=$(realpath "$WORK")
LOAD=$(cut -d' ' -f1-3 /proc/loadavg)

# The source: the same bytes as bench/run.sh's utf8.csv (80-byte CR LF lines, a
# non-ASCII character in each, the first the header, cut at the size), made only when
# it is missing or of another size.
python3 - "$WORK/utf8.csv" "$SIZE_MIB" <<'PY'
import os, sys
path, size = sys.argv[1], int(sys.argv[2]) << 20
if not (os.path.exists(path) and os.path.getsize(path) == size):
    u8 = b"".join(("%08d;caf\u00e9;" % i).encode() + b"x" * 63 + b"\r\n" for i in range(13107))
    with open(path + ".tmp", "wb") as f:
        done = 0
        while done < size:
            f.write(u8[: size - done])
            done += min(len(u8), size - done)
    os.replace(path + ".tmp", path)
PY
cd "$WORK/merge"
SOURCE=$WORK/utf8.csv
SOURCE_BYTES=$(stat -c %s "$SOURCE")
# The split gives a last record without a line end one, and so the merge holds it too.
MERGED_BYTES=$SOURCE_BYTES
[ "$(tail -c 1 "$SOURCE" | od -An -tx1 | tr -d ' ')" = 0a ] || MERGED_BYTES=$((SOURCE_BYTES + 2))
LOG=$PWD/runs.tsv
printf 'loop\tinput\tround\tlabel\twall\tuser\tsys\trss_kib\tstatus\n' >"$LOG"
rm -rf out p5 p1000 c5 many-rows many-cycle many.csv ref.csv

# The pieces, made once and untimed: in order (--parts 5, --parts 1000) and in turn
# (--cycle 5), each folder with the record of its split, which the merge follows.
echo "Splitting the source..." >&2
split_into() {  # FOLDER SOURCE OPTION...
  local folder=$1 source=$2
  shift 2
  "$BIN" --quiet --header 1 "$@" --out "$folder" "$source" >/dev/null
}
split_into p5 "$SOURCE" --parts 5
split_into p1000 "$SOURCE" --parts 1000
split_into c5 "$SOURCE" --cycle 5
# cmp's other side: a copy of the source, equal byte for byte (the cat of the pieces
# holds a header for each piece, where cmp would stop at the second).
cp "$SOURCE" ref.csv
if [ "$MANY" != 0 ]; then
  # A smaller source of two records a piece: MANY pieces in order and MANY dealt in turn.
  head -n $((2 * MANY + 1)) "$SOURCE" >many.csv
  split_into many-rows many.csv --parts "$MANY"
  split_into many-cycle many.csv --cycle "$MANY"
fi

# cmd LABEL INPUT: sets C (the command), K (the bytes out/ must hold, - for none) and R
# (the exit status it must end with).
cmd() {
  K=- R=0
  case $1 in
    merge) C=("$MERGE_BIN" --quiet --out out/merged.csv "$2") K=$MERGED_BYTES ;;
    # The pieces by number, as the merge takes them, every one with its header.
    cat)
      mapfile -t PIECES < <(ls -v "$2"/*.csv)
      C=(sh -c 'cat "$@" >out/cat.csv' cat "${PIECES[@]}")
      K=$(stat -c %s "${PIECES[@]}" | awk '{b+=$1} END {print b}') ;;
    check) C=("$MERGE_BIN" --quiet --check "$SOURCE" "$2") ;;
    cmp) C=(cmp "$SOURCE" ref.csv) ;;
    many) C=("$MERGE_BIN" --quiet --out out/merged.csv "$2") K=$(stat -c %s many.csv) ;;
  esac
}

log() {  # LOOP INPUT ROUND LABEL WALL USER SYS RSS STATUS
  local IFS=$'\t'
  echo "$*" >>"$LOG"
}

# run LOOP INPUT ROUND LABEL: one timed run into a fresh out/, one line in the log. A run
# that fails, or leaves out/ with other than the bytes it must, is logged as such and
# kept out of the figures.
run() {
  local loop=$1 input=$2 round=$3 label=$4 t0 t1 status=ok rc=0 u s m bytes
  cmd "$label" "$input"
  rm -rf out
  mkdir out
  sync
  t0=$EPOCHREALTIME
  /usr/bin/time -f '%U %S %M' -o .time "${C[@]}" >/dev/null 2>.stderr || rc=$?
  t1=$EPOCHREALTIME
  read -r u s m < <(tail -n 1 .time)
  if [ "$rc" != "$R" ]; then
    status="exit-$rc"
    echo "$label on $input failed (exit $rc): $(head -c 300 .stderr)" >&2
  elif [ "$K" != - ]; then
    bytes=$(find out -type f -printf '%s\n' | awk '{b+=$1} END {print b+0}')
    if [ "$bytes" != "$K" ]; then
      status=bad-output
      echo "$label on $input: $bytes bytes, not $K" >&2
    fi
  fi
  log "$loop" "$input" "$round" "$label" "$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.4f", b - a}')" \
    "$u" "$s" "$m" "$status"
}

# verify INPUT SOURCE BYTES: one merge of INPUT, untimed, must give SOURCE back byte for
# byte in BYTES (with a line end after its last record); a merge that does not is logged.
verify() {
  rm -rf out
  mkdir out
  if ! "$MERGE_BIN" --quiet --out out/merged.csv "$1" >/dev/null 2>.stderr ||
    [ "$(stat -c %s out/merged.csv)" != "$3" ] || ! cmp -s -n "$(stat -c %s "$2")" "$2" out/merged.csv; then
    echo "the merge of $1 is not $2: $(head -c 300 .stderr)" >&2
    log verify "$1" 1 merge 0 0 0 0 not-the-source
  fi
}

pairs() {  # INPUT LABEL...: PAIRS rounds of each command in turn, each round starting with the next
  local input=$1 r i
  shift
  local labels=("$@") n=$#
  for r in $(seq "$PAIRS"); do
    for i in $(seq 0 $((n - 1))); do run "$input" "$input" "$r" "${labels[(r + i) % n]}"; done
  done
}

for input in p5 p1000 c5; do
  echo "Timing $input..." >&2
  verify "$input" "$SOURCE" "$MERGED_BYTES"
  cat "$input"/* "$SOURCE" ref.csv >/dev/null
  # Writers and readers apart: memory freed seconds before (the last output deleted) costs
  # this host four to six times as much to write into again as memory freed at once, so
  # every write must follow the deletion of the one before it.
  pairs "$input" merge cat
  pairs "$input" check cmp
done
if [ "$MANY" != 0 ]; then
  echo "Memory runs: $MANY pieces (open files at most $(ulimit -n))..." >&2
  for input in many-rows many-cycle; do
    verify "$input" many.csv "$(stat -c %s many.csv)"
    run memory "$input" 1 many
  done
fi
rm -rf out p5 p1000 c5 many-rows many-cycle many.csv ref.csv .time .stderr

python3 - "$LOG" "$SIZE_MIB" "$PAIRS" "$LOAD" "$MANY" "$(ulimit -n)" <<'PY'
import csv, statistics as st, sys
from runs_table import print_failed, print_runs_table
log, mib, pairs, load, many, open_max = sys.argv[1:]
many = int(many)
rows = list(csv.DictReader(open(log), delimiter="\t"))
ok = [r for r in rows if r["status"] == "ok"]
bad = [r for r in rows if r["status"] != "ok"]
med = lambda xs: st.median(xs) if xs else None
wall = lambda r: float(r["wall"])
def runs(inp, label):
    return {r["round"]: r for r in ok if r["loop"] == inp and r["label"] == label}
def ratios(inp, num, den):  # num over den, round by round
    a, b = runs(inp, num), runs(inp, den)
    return [wall(a[k]) / wall(b[k]) for k in a if k in b]
at_most = lambda t: (f"≤ {t:.2f}", lambda v: v <= t)
names = {"p5": "5 pieces in order (--parts 5)", "p1000": "1000 pieces in order (--parts 1000)",
         "c5": "5 pieces dealt in turn (--cycle 5), interleaved"}
figures = []  # (what, values, (target text, meets))
for inp in ("p5", "p1000", "c5"):
    figures.append((f"{names[inp]}: merge / cat of the pieces", ratios(inp, "merge", "cat"),
                    at_most(1.3 if inp == "c5" else 1.2)))
for inp in ("p5", "p1000", "c5"):
    figures.append((f"{names[inp]}: --check against the source / cmp of the source and a copy",
                    ratios(inp, "check", "cmp"), at_most(1.3)))
print(f"The merge: pieces of a UTF-8 source of {mib} MiB, 80-byte CR LF records, header 1, page")
print(f"cache warm; {pairs} rounds per figure; load average {load} at the start.")
print()
print("| figure | median | spread | target | met |")
print("|---|---|---|---|---|")
for what, vals, (target, meets) in figures:
    if vals:
        m = med(vals)
        print(f"| {what} | {m:.2f} | {min(vals):.2f}..{max(vals):.2f} | {target} | {'yes' if meets(m) else 'no'} |")
    else:
        print(f"| {what} | failed | | {target} | no |")
def peak(what, rs):
    if not rs:
        return
    if any(r["status"] != "ok" for r in rs):
        v = "failed (" + ", ".join(sorted({r["status"] for r in rs if r["status"] != "ok"})) + ")"
        print(f"| {what} | {v} | | ≤ 64.0 | no |")
        return
    v = max(int(r["rss_kib"]) for r in rs) / 1024
    print(f"| {what} | {v:.1f} | | ≤ 64.0 | {'yes' if v <= 64 else 'no'} |")
for inp in ("p5", "p1000", "c5"):
    peak(f"peak memory (MiB), merge and --check of {names[inp]}",
         [r for r in rows if r["loop"] == inp and r["label"] in ("merge", "check")])
if many:
    peak(f"peak memory (MiB), merge of {many:,} pieces in order (--parts {many})",
         [r for r in rows if r["input"] == "many-rows"])
    peak(f"peak memory (MiB), merge of {many:,} pieces dealt in turn (--cycle {many}), interleaved",
         [r for r in rows if r["input"] == "many-cycle"])
print()
print("Medians over every run of each command: wall, user and system seconds, and the wait")
print("(wall less user and system; negative where two threads ran at once); the peak memory")
print("is the largest of the runs.")
print()
print_runs_table(ok)
print_failed(bad)
print()
print("Commands, run in the pieces' folder, outputs into out/ (deleted before each run):")
print("merge `rowdeal-merge --out out/merged.csv FOLDER` (the folder's record of the split")
print("decides the order: interleaved for --cycle); cat `cat FOLDER/*.csv >out/cat.csv`; check")
print("`rowdeal-merge --check utf8.csv FOLDER`; cmp `cmp utf8.csv ref.csv`, ref.csv a copy of")
print(f"the source. many: the merge of the pieces of the first {2 * many:,} records (two a piece),")
print(f"with at most {open_max} files open (ulimit -n). Each folder's merge is compared with")
print(f"its source once before it is timed. Every run: {log}")
PY
