#!/bin/sh
# scripts/run-fuzz against a folder laid out as the sanitizer build lays out
# build/asan/fuzz, with stand-ins for the fuzz programs: it runs each program
# once with the seconds asked for, never the build's folders or other files,
# and fails when a target fails or when there is none.
set -eu
runfuzz=$(cd "$(dirname "$0")/.." && pwd)/scripts/run-fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

dir=$work/fuzz
mkdir -p "$dir/fuzz_alpha_autogen" "$dir/fuzz_beta_autogen" "$dir/CMakeFiles/fuzz_alpha.dir"
chmod 755 "$dir/fuzz_alpha_autogen" "$dir/fuzz_beta_autogen"
for t in fuzz_alpha fuzz_beta; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/ran"\n' "$t" "$work" > "$dir/$t"
  chmod 755 "$dir/$t"
done
echo 'not a program' > "$dir/fuzz_notes.txt"
: > "$dir/fuzz_alpha.cmake"

# Every program, with the seconds given, and only the programs.
"$runfuzz" --dir "$dir" --seconds 3 > "$work/out" 2>&1 || fail "exit status $?: $(cat "$work/out")"
[ "$(cat "$work/ran")" = "fuzz_alpha -max_total_time=3 -rss_limit_mb=2048 -print_final_stats=1
fuzz_beta -max_total_time=3 -rss_limit_mb=2048 -print_final_stats=1" ] || fail "ran: $(cat "$work/ran")"

# FUZZ_SECONDS when no --seconds is given; one named target alone.
rm "$work/ran"
FUZZ_SECONDS=7 "$runfuzz" --dir "$dir" fuzz_beta > "$work/out" 2>&1 || fail "one target: $(cat "$work/out")"
[ "$(cat "$work/ran")" = "fuzz_beta -max_total_time=7 -rss_limit_mb=2048 -print_final_stats=1" ] ||
  fail "one target ran: $(cat "$work/ran")"

# A folder or a missing name is not a target.
for bad in fuzz_alpha_autogen fuzz_gamma; do
  if "$runfuzz" --dir "$dir" --seconds 1 "$bad" > "$work/out" 2>&1; then fail "$bad accepted"; fi
  grep -q "is not a fuzz program" "$work/out" || fail "$bad: $(cat "$work/out")"
done

# A finding (a target that fails) fails the run and stops it.
rm "$work/ran"
printf '#!/bin/sh\necho "fuzz_alpha found" >> "%s/ran"\nexit 1\n' "$work" > "$dir/fuzz_alpha"
if "$runfuzz" --dir "$dir" --seconds 1 > "$work/out" 2>&1; then fail "a failing target passed"; fi
[ "$(cat "$work/ran")" = "fuzz_alpha found" ] || fail "went on after a finding: $(cat "$work/ran")"

# No target at all fails instead of passing quietly; so does a bad number.
if "$runfuzz" --dir "$work/empty" > "$work/out" 2>&1; then fail "an empty folder passed"; fi
grep -q "no fuzz target" "$work/out" || fail "empty: $(cat "$work/out")"
if "$runfuzz" --dir "$dir" --seconds soon > "$work/out" 2>&1; then fail "bad seconds accepted"; fi
echo ok
