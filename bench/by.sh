#!/usr/bin/env bash
# Measures `rowdeal-split --by 2` (one piece per value of the second field) on inputs
# this script makes itself under $WORK/by, and prints Markdown tables in the manner of
# bench/run.sh, which runs it last: each figure with its target and whether it is met,
# then the median times and peak memory behind them.
#
# Timings come in rounds, as in bench/run.sh: ours and its baselines run in turn (each
# round beginning with the next of them), PAIRS times, every ratio taken within its round;
# the tables give the median ratio and its spread (min..max). Before every run the output
# folders are deleted (the 10,000 pieces of a round with them) and dirty pages flushed.
#
#   bench/by.sh                          1 GiB inputs, 7 pairs, a million keys
#   SIZE_MIB=256 PAIRS=3 bench/by.sh     a quicker look
#   BIN=... WORK=... PAIRS=...           another binary, folder, pair count
#   UNIQUE=1000000                       records (each its own key) of the memory run; 0 skips it
#   MLR=0                                leave Miller out
#
# Miller (`mlr`, Debian's package miller) is installed when missing, as scripts/setup.sh
# installs the build's packages.
set -euo pipefail
cd "$(dirname "$0")/.."
# The reports share their table of runs (bench/runs_table.py).
export PYTHONPATH="$PWD/bench${PYTHONPATH:+:$PYTHONPATH}"
BIN=$(realpath "${BIN:-build/linux/app/rowdeal-split}")
WORK=${WORK:-build/bench}
SIZE_MIB=${SIZE_MIB:-1024}
PAIRS=${PAIRS:-7}
UNIQUE=${UNIQUE:-1000000}
MLR=${MLR:-1}
[ -x "$BIN" ] || { echo "build rowdeal-split first (make build-linux)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time is missing (scripts/setup.sh installs it)" >&2; exit 1; }
mkdir -p "$WORK/by"
WORK=$(realpath "$WORK/by")
MISSING=
"$BIN" --help 2>&1 | grep -q -- '--by' || MISSING=--by
if [ "$MLR" = 1 ] && [ "$(dpkg-query -W -f='${Status}' miller 2>/dev/null || true)" != "install ok installed" ]; then
  echo "bench/by.sh: installing miller" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  { $sudo apt-get update -qq && $sudo apt-get install -y -qq miller >/dev/null; } || true
fi
if [ "$MLR" = 1 ] && command -v mlr >/dev/null; then
  MLR_NOTE="Miller: $(mlr --version)."
else
  MLR_NOTE="Miller was not measured (MLR=0, or it could not be installed)."
  MLR=0
fi
LOAD=$(cut -d' ' -f1-3 /proc/loadavg)

# Inputs: UTF-8 CSV without a byte-order mark, 80-byte CR LF records "id,key,café xxx",
# the first the header "id,key,text___". The key is the second field, 8 characters:
# by100.csv draws it from 100 values, by10k.csv from 10,000, at random (seeded, so the
# files are the same every time). A block of 64 MiB of records is drawn once and
# repeated up to the size (the values are in random order within each block, and the
# blocks alike): the draw costs 2 s, not 30. slice.csv is the header and the first
# block of by100.csv, for Miller. unique.csv holds UNIQUE records, each with a key of
# its own, in random order. Prints the sizes of by100.csv and slice.csv.
read -r FULL_BYTES SLICE_BYTES < <(python3 - "$WORK" "$SIZE_MIB" "$UNIQUE" <<'PY'
import os, random, sys
work, size, unique = sys.argv[1], int(sys.argv[2]) << 20, int(sys.argv[3])
REC = 80
HEAD = b"id,key,text" + b"_" * (REC - 13) + b"\r\n"
BLOCK = (64 << 20) // REC - 1  # records of a block, the header beside it fitting 64 MiB
def record(i, key):
    r = ("%08d,%s,caf\u00e9" % (i, key)).encode()
    return r + b"x" * (REC - 2 - len(r)) + b"\r\n"
def fill(name, records, make):  # header + records, made only when the size differs
    path = os.path.join(work, name)
    want = REC * (1 + records)
    if not (os.path.exists(path) and os.path.getsize(path) == want):
        with open(path + ".tmp", "wb") as f:
            f.write(HEAD)
            make(f, records * REC)
        os.replace(path + ".tmp", path)
    return want
def repeat(values, seed):  # the block drawn only when a file must be made
    def make(f, left):
        block = drawn(values, seed)
        while left > 0:
            piece = block[:left]
            f.write(piece)
            left -= len(piece)
    return make
def drawn(values, seed, cache={}):
    if (values, seed) not in cache:
        rng = random.Random(seed)
        keys = ["k%07d" % v for v in range(values)]
        cache[values, seed] = b"".join(record(i, keys[rng.randrange(values)]) for i in range(BLOCK))
    return cache[values, seed]
records = size // REC - 1
full = fill("by100.csv", records, repeat(100, 100))
part = fill("slice.csv", min(BLOCK, records), repeat(100, 100))
fill("by10k.csv", records, repeat(10000, 10000))
if unique:
    def shuffled(f, _):
        keys = list(range(unique))
        random.Random(1).shuffle(keys)
        f.write(b"".join(record(i, "%08d" % k) for i, k in enumerate(keys)))
    fill("unique.csv", unique, shuffled)
print(full, part)
PY
)
# The names of our 10,000 pieces, made empty by touch in the same rounds.
mapfile -t NAMES10K < <(for v in $(seq 0 9999); do printf 'out/by10k-k%07d.csv\n' "$v"; done)
cd "$WORK"
LOG=$WORK/runs.tsv
printf 'loop\tinput\tround\tlabel\twall\tuser\tsys\trss_kib\tstatus\n' >"$LOG"

# cmd LABEL INPUT: sets C (the command), D (the folder it writes), K (files expected),
# W (1 when they must hold at least the source's bytes) and O (what it needs: --by for
# ours, mlr for Miller).
cmd() {
  local f=$2.csv
  D=$2 K=- W=1 O=--by
  case $1 in
    by100) C=("$BIN" --header 1 --by 2 "$f") K=100 ;;
    by10k) C=("$BIN" --header 1 --by 2 "$f") K=10000 ;;
    unique) C=("$BIN" --header 1 --by 2 "$f") K=$UNIQUE ;;
    dd) C=(dd if="$f" of=out/copy.bin bs=256K) D=out K=1 O= ;;
    create10k) C=(touch "${NAMES10K[@]}") D=out K=10000 W=0 O= ;;
    # Miller writes LF alone: its pieces hold a byte less a record.
    mlr100) C=(mlr --icsv --ocsv split -g key --prefix out/split "$f") D=out K=100 W=0 O=mlr ;;
  esac
}

log() {  # LOOP INPUT ROUND LABEL WALL USER SYS RSS STATUS
  local IFS=$'\t'
  echo "$*" >>"$LOG"
}

missing() {  # OPTION: true when what a command needs is not there
  { [ "$1" = --by ] && [ -n "$MISSING" ]; } || { [ "$1" = mlr ] && [ "$MLR" = 0 ]; }
}

# run LOOP INPUT ROUND LABEL: one timed run into fresh folders, one line in the log. A run
# that fails, or leaves the wrong number of files or fewer bytes than its source, is
# logged as such and kept out of the figures.
run() {
  local loop=$1 input=$2 round=$3 label=$4 t0 t1 status=ok rc=0 u s m files bytes
  cmd "$label" "$input"
  if [ -n "$O" ] && missing "$O"; then
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
  if [ "$rc" != 0 ]; then
    status="exit-$rc"
    echo "$label on $input failed (exit $rc): $(head -c 300 .stderr)" >&2
  else
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

pairs() {  # LOOP PAIRS INPUT:LABEL...: rounds of each command in turn, each on its input
  local loop=$1 n_rounds=$2 r i
  shift 2
  local jobs=("$@") n=$#
  for r in $(seq "$n_rounds"); do
    for i in $(seq 0 $((n - 1))); do
      local job=${jobs[(r + i) % n]}
      run "$loop" "${job%%:*}" "$r" "${job#*:}"
    done
  done
}

echo "Timing --by on 100 values..." >&2
cat by100.csv slice.csv >/dev/null
pairs by100-dd "$PAIRS" by100:by100 by100:dd
# Miller on the 64 MiB slice, ours on the whole file and on the slice, in the same rounds.
echo "Timing Miller..." >&2
pairs by100-mlr "$PAIRS" by100:by100 slice:mlr100 slice:by100
echo "Timing --by on 10,000 values..." >&2
cat by10k.csv >/dev/null
pairs by10k-dd-create10k "$PAIRS" by10k:by10k by10k:dd by10k:create10k
if [ "$UNIQUE" != 0 ]; then
  echo "Memory run: $UNIQUE keys..." >&2
  cat unique.csv >/dev/null
  run memory unique 1 unique
fi
rm -rf out by100 by10k slice unique .time .stderr

python3 - "$LOG" "$SIZE_MIB" "$PAIRS" "$LOAD" "$FULL_BYTES" "$SLICE_BYTES" "$UNIQUE" "$MLR_NOTE" "$MISSING" <<'PY'
import csv, statistics as st, sys
from runs_table import print_failed, print_runs_table
log, mib, pairs, load, full, part, unique, mlr_note, missing = sys.argv[1:]
full, part, unique = int(full), int(part), int(unique)
rows = list(csv.DictReader(open(log), delimiter="\t"))
ok = [r for r in rows if r["status"] == "ok"]
bad = [r for r in rows if r["status"] not in ("ok", "option-missing")]
skipped = {r["label"] for r in rows if r["status"] == "option-missing"}
med = lambda xs: st.median(xs) if xs else None
wall = lambda r: float(r["wall"])
def runs(loop, inp, label):
    return {r["round"]: r for r in ok if r["loop"] == loop and r["input"] == inp and r["label"] == label}
def ratios(loop, num, den, scale=1.0):  # num over the sum of den, round by round; (input, label) each
    a, b = runs(loop, *num), [runs(loop, *d) for d in den]
    return [scale * wall(a[k]) / sum(wall(x[k]) for x in b) for k in a if all(k in x for x in b)]
at_most = lambda t: (f"≤ {t:.2f}", lambda v: v <= t)
at_least = lambda t: (f"≥ {t:g}", lambda v: v >= t)
reference = ("(reference)", None)
smib = part / 2**20
figures = [  # (what, labels needed, values, (target text, meets))
    ("--by 2, 100 values / dd copy", ["by100", "dd"],
     ratios("by100-dd", ("by100", "by100"), [("by100", "dd")]), at_most(1.3)),
    (f"Miller split -g on a {smib:.0f} MiB slice / --by 2 on the whole file, per byte", ["by100", "mlr100"],
     ratios("by100-mlr", ("slice", "mlr100"), [("by100", "by100")], full / part), at_least(10)),
    (f"Miller split -g / --by 2, both on the {smib:.0f} MiB slice", ["by100", "mlr100"],
     ratios("by100-mlr", ("slice", "mlr100"), [("slice", "by100")]), reference),
    ("--by 2, 10,000 values / (dd copy + touch of 10,000 new files)", ["by10k", "dd", "create10k"],
     ratios("by10k-dd-create10k", ("by10k", "by10k"), [("by10k", "dd"), ("by10k", "create10k")]), at_most(2)),
]
print(f"Split by a column's value: UTF-8 CSV of {mib} MiB, 80-byte CR LF records, header 1, the key")
print(f"the second field, page cache warm; {pairs} rounds per figure; load average {load} at the start.")
print()
print("| figure | median | spread | target | met |")
print("|---|---|---|---|---|")
for what, needs, vals, (target, meets) in figures:
    if any(n in skipped for n in needs):
        print(f"| {what} | not measured ({'Miller' if 'mlr100' in skipped else 'option'} missing) | | {target} | |")
    elif vals:
        m = med(vals)
        met = "" if meets is None else "yes" if meets(m) else "no"
        print(f"| {what} | {m:.2f} | {min(vals):.2f}..{max(vals):.2f} | {target} | {met} |")
    else:
        print(f"| {what} | failed | | {target} | {'' if meets is None else 'no'} |")
def peak(what, label, limit, inp=None):
    rs = [r for r in rows if r["label"] == label and (inp is None or r["input"] == inp)]
    shown = "yes" if limit else ""
    if not rs:
        return
    if any(r["status"] == "option-missing" for r in rs):
        print(f"| {what} | not measured (option missing) | | {'≤ %.1f' % limit if limit else '(reference)'} | |")
        return
    if any(r["status"] != "ok" for r in rs):
        v = "failed (" + ", ".join(sorted({r["status"] for r in rs if r["status"] != "ok"})) + ")"
        print(f"| {what} | {v} | | {'≤ %.1f' % limit if limit else '(reference)'} | {'no' if limit else ''} |")
        return
    v = max(int(r["rss_kib"]) for r in rs) / 1024
    target = f"≤ {limit:.1f}" if limit else "(reference)"
    met = ("yes" if v <= limit else "no") if limit else ""
    print(f"| {what} | {v:.1f} | | {target} | {met} |")
peak(f"peak memory (MiB), --by 2, 100 values, {mib} MiB", "by100", 64, "by100")
peak(f"peak memory (MiB), --by 2, 10,000 values, {mib} MiB", "by10k", None)
if unique:
    peak(f"peak memory (MiB), --by 2, {unique:,} records each with its own key (64 MiB + 200 B a value)",
         "unique", 64 + 200 * unique / 2**20)
print()
print("Medians over every run of each command: wall, user and system seconds, and the wait")
print("(wall less user and system; negative where two threads ran at once); the peak memory")
print("is the largest of the runs.")
print()
print_runs_table(ok)
print_failed(bad)
print()
print(mlr_note)
print()
print("Commands, run in the inputs' folder, each writing into a folder that did not exist:")
print("by100, by10k, unique: `rowdeal-split --header 1 --by 2 FILE` (FILE's new folder); dd `dd")
print("if=FILE of=out/copy.bin bs=256K`; create10k `touch` of our 10,000 pieces' names in out/,")
print("what making that many empty files in a new folder costs, in the same rounds as by10k and")
print("its dd; mlr100 `mlr --icsv --ocsv split -g key --prefix out/split slice.csv`. Miller is")
print(f"timed on slice.csv, the header and the first {smib:.0f} MiB of by100.csv's records (the whole")
print("file would take it minutes a round), in the same rounds as ours on the whole file and on")
print(f"the slice; its per-byte figure is its seconds times {full / part:.1f} (the sizes' ratio) over ours on")
print(f"the whole file. Every run: {log}")
PY
