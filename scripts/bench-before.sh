#!/usr/bin/env bash
# The result road's figures for many small items beside those of an earlier revision, measured in the
# same run: this tree and the revision (default a48ba8f, the road before its rewrite) are each built in
# Release in a temporary folder, the revision with this tree's bench/result_decode.cpp (it uses only
# entry points the road has long had), and then, three times in turn, each side's
# `bench_result_decode SHAPE` and bench/wait_raw_many.py over its own extension module. Prints every
# figure as the best of the three runs, side by side. The temporary worktree and builds are removed.
#
#   scripts/bench-before.sh [REV] [SHAPE]     (SHAPE: many (default), large, or "large many")
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
rev=${1:-a48ba8f}
shape=${2:-many}
root=$PWD
work=$(mktemp -d)
cleanup() {
  git -C "$root" worktree remove --force "$work/tree" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

git worktree add --detach "$work/tree" "$rev" >/dev/null 2>&1
cp bench/result_decode.cpp bench/result_answer_body.hpp "$work/tree/bench/"
for side in before this; do
  src=$([ "$side" = before ] && echo "$work/tree" || echo "$root")
  echo "== building $side ($([ "$side" = before ] && echo "$rev" || echo "this tree")) in Release"
  # -Wno-restrict: earlier revisions predate the build's own silencing of GCC bug 105651.
  cmake -S "$src" -B "$work/$side" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-Wno-restrict \
    -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
  cmake --build "$work/$side" -j"${JOBS:-$(nproc)}" --target bench_result_decode _norvi_brevora >/dev/null
done

for run in 1 2 3; do
  for side in before this; do
    # shellcheck disable=SC2086  # the shape may name two
    "$work/$side/bench/bench_result_decode" $shape >"$work/$side.cpp.$run"
    PYTHONPATH="$work/$side/python" /usr/bin/python3 bench/wait_raw_many.py >"$work/$side.py.$run"
  done
done

/usr/bin/python3 - "$work" "$rev" <<'EOF'
import glob, re, sys
work, rev = sys.argv[1], sys.argv[2]
figures = {}  # (answer, label, unit) -> side -> [values]
order = []
for side in ("before", "this"):
    for path in sorted(glob.glob(f"{work}/{side}.*.*")):
        answer = ""
        for line in open(path):
            if line.startswith("answer body"):
                answer = line.strip()
                continue
            label = re.split(r"\s{2,}|:\s+[\d.]+ MB", line.strip())[0]
            for unit, pattern in (("ms", r"([\d.]+) ms"), ("MB peak", r"peak memory added[^\d]*([\d.]+) MB")):
                m = re.search(pattern, line)
                if not m:
                    continue
                key = (answer, label, unit)
                if key not in figures:
                    figures[key] = {}
                    order.append(key)
                figures[key].setdefault(side, []).append(float(m.group(1)))
print(f"\nbest of 3 runs, alternating: before = {rev}, this = this tree")
answer = None
for key in order:
    if key[0] != answer:
        answer = key[0]
        print(answer)
    sides = figures[key]
    if "before" not in sides or "this" not in sides:
        continue
    before, this = min(sides["before"]), min(sides["this"])
    ratio = f"{this / before:5.2f}x" if before else "    -"
    print(f"  {key[1]:<44} {key[2]:<8} before {before:9.1f}   this {this:9.1f}   {ratio}")
EOF
