#!/usr/bin/env bash
# Times rowdeal-split against the tools a user would otherwise reach for, on inputs this
# script makes itself, and prints one Markdown table: the median wall time of RUNS runs
# and the peak resident memory of each command, with ours against dd and split.
#
#   bench/run.sh                      1 GiB inputs under build/bench
#   SIZE_MIB=256 RUNS=1 bench/run.sh  a quicker look
#   BIN=... WORK=... EXTRA=0          another binary / folder; skip the memory extremes
set -euo pipefail
cd "$(dirname "$0")/.."
BIN=$(realpath "${BIN:-build/linux/app/rowdeal-split}")
WORK=${WORK:-build/bench}
SIZE_MIB=${SIZE_MIB:-1024}
RUNS=${RUNS:-3}
EXTRA=${EXTRA:-1}
[ -x "$BIN" ] || { echo "build rowdeal-split first (make build-linux)" >&2; exit 1; }
mkdir -p "$WORK"
WORK=$(realpath "$WORK")

# Inputs: 80-byte lines ending in CR LF. The UTF-8 one holds a non-ASCII character in
# every line, so it is recognised as UTF-8 only after the whole file has been read.
make_inputs() {
  python3 - "$WORK" "$SIZE_MIB" "$EXTRA" <<'PY'
import os, sys
work, mib, extra = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "1"
size = mib << 20
def fill(name, block):
    path = os.path.join(work, name)
    if os.path.exists(path) and os.path.getsize(path) == size:
        return
    with open(path, "wb") as f:
        done = 0
        while done < size:
            piece = block[: size - done]
            f.write(piece)
            done += len(piece)
u8 = b"".join(("%08d;caf\u00e9;" % i).encode() + b"x" * (80 - 2 - 15) + b"\r\n" for i in range(13107))
assert all(len(l) == 80 for l in u8.split(b"\r\n")[:-1] for l in [l + b"\r\n"])
fill("utf8.csv", u8)
u16 = b"\xff\xfe" + b"".join(("%08d;" % i + "y" * 29).encode("utf-16-le") + "\r\n".encode("utf-16-le") for i in range(13107))
fill("utf16.csv", u16)
if extra:
    fill("oneline.csv", b"z" * (1 << 20))  # a single line of the whole file
PY
}

# Runs a command RUNS times after its preparation; prints the median wall time, the
# median processor time (user + system) and the peak RSS in KiB.
measure() {
  local prepare=$1; shift
  local times=() cpus=() peak=0 stats=$WORK/.time
  for _ in $(seq "$RUNS"); do
    eval "$prepare"
    sync
    /usr/bin/time -f "%e %M %U %S" -o "$stats" "$@" >/dev/null 2>&1
    local t m u k
    read -r t m u k <"$stats"
    times+=("$t")
    cpus+=("$(python3 -c "print('%.2f' % ($u + $k))")")
    [ "$m" -gt "$peak" ] && peak=$m
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (RUNS + 1) / 2 ))p")
  local cpu
  cpu=$(printf '%s\n' "${cpus[@]}" | sort -n | sed -n "$(( (RUNS + 1) / 2 ))p")
  echo "$median $cpu $peak"
}

make_inputs
cd "$WORK"
declare -A T
row() {  # name prepare command...
  local name=$1 prepare=$2; shift 2
  read -r t c m < <(measure "$prepare" "$@")
  T[$name]=$t
  printf '| %-46s | %8s | %7s | %14s |\n' "$name" "$t" "$c" "$(( m / 1024 ))"
}
ratio() { python3 -c "import sys; a,b=float(sys.argv[1]),float(sys.argv[2]); print('%.2f' % (a/b) if b > 0 else 'n/a')" "$1" "$2"; }

echo "Inputs: ${SIZE_MIB} MiB each, 80-byte CR LF lines; median of $RUNS runs; page cache warm;"
echo "CPU is user + system time; $(nproc) cores, load average $(cut -d' ' -f1 /proc/loadavg) at the start."
echo
printf '| %-46s | %8s | %7s | %14s |\n' "command" "time (s)" "CPU (s)" "peak RSS (MiB)"
echo "|------------------------------------------------|----------|---------|----------------|"
ratios=()
for input in utf8 utf16; do
  f=$input.csv
  cat "$f" >/dev/null
  ours5="$input: rowdeal-split --header 1 --cycle 5"
  ours1000="$input: rowdeal-split --header 1 --cycle 1000"
  row "$ours5" "rm -rf $input" "$BIN" --header 1 --cycle 5 "$f"
  row "$ours1000" "rm -rf $input" "$BIN" --header 1 --cycle 1000 "$f"
  row "$input: split -n r/5" "rm -rf sp; mkdir sp" split -n r/5 "$f" sp/part-
  row "$input: dd bs=256K (copy)" "rm -f copy.bin" dd if="$f" of=copy.bin bs=256K
  row "$input: cat > /dev/null" ":" cat "$f"
  rm -rf "$input" sp copy.bin
  ratios+=("| $input | $(ratio "${T[$ours5]}" "${T[$input: dd bs=256K (copy)]}") | $(ratio "${T[$input: split -n r/5]}" "${T[$ours5]}") | $(ratio "${T[$ours5]}" "${T[$ours1000]}") |")
done
if [ "$EXTRA" = 1 ]; then
  row "utf8: rowdeal-split --header 1 --cycle 10000" "rm -rf utf8" "$BIN" --header 1 --cycle 10000 utf8.csv
  rm -rf utf8
  row "one line of ${SIZE_MIB} MiB: --header 0 --cycle 5" "rm -rf oneline" "$BIN" --header 0 --cycle 5 oneline.csv
  rm -rf oneline
fi
echo
echo "| input | ours / dd copy | split time / ours | N=1000 throughput / N=5 |"
echo "|-------|----------------|-------------------|-------------------------|"
printf '%s\n' "${ratios[@]}"
