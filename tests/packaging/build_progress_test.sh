#!/usr/bin/env bash
# The Windows libraries' long build shows its progress: lines "<label>: <done> of <all> steps, <m> min <s> s"
# from ninja's status lines in the log, no more often than the interval, counts that never go back, and no
# wait beyond the build's end.
# Arguments: the source folder.
source "$(dirname "$0")/packaging_support.sh"
source "$1/scripts/build-progress.sh"

log="$scratch/build.log"
fake_build() { # 30 ninja steps, one every 0.1 s, after a silent second (as a configure step)
  sleep 1
  for step in $(seq 1 30); do echo "[$step/30] Building CXX object step$step.o"; sleep 0.1; done >>"$log"
}

fake_build &
start=$SECONDS
BUILD_PROGRESS_SECONDS=1 build_progress "qtbase" "$log" $! 2>"$scratch/progress.txt"
took=$((SECONDS - start))
cat "$scratch/progress.txt"
lines=$(wc -l <"$scratch/progress.txt")
((lines >= 2 && lines <= took + 1)) || fail "$lines progress lines in $took s with an interval of 1 s"
! grep -v -E '^qtbase: ([0-9]+ of 30 steps, )?0 min 0[0-9] s$' "$scratch/progress.txt" || fail "a line of another form"
grep -q -E '^qtbase: [0-9]+ of 30 steps, ' "$scratch/progress.txt" || fail "no line counts the steps"
sed -n 's/^qtbase: \([0-9]*\) of.*/\1/p' "$scratch/progress.txt" | sort -n -c || fail "the step count went back"

# The default interval is 30 s, and the end of the build ends the wait at once.
(sleep 1) &
start=$SECONDS
build_progress "qtbase" "$log" $! 2>"$scratch/quiet.txt"
((SECONDS - start <= 3)) || fail "the progress waited $((SECONDS - start)) s after the build ended"
[[ ! -s "$scratch/quiet.txt" ]] || fail "a line within the first 30 s: $(cat "$scratch/quiet.txt")"
echo "PASS"
