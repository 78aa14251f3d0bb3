#!/usr/bin/env bash
# vael-battle's exit tells the truth: a standard output that cannot take the commentary and the outcome (a
# full device, a limit on file sizes) ends it with 1 and a word on standard error, and so does a battle that
# met a failed check (a damaged image map, with the display); a battle on sound data still exits 0, and so
# does one whose figure archives are cut short, each named once. The data damaged is a folder of links of
# the test's own. Each case names itself when it fails.
#   tool_exit.sh TOOL SCENARIO DATA
set -u
tool=$1
scenario=$2
data=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAILED: $*"; status=1; }
cut_short="vael-battle: cannot write the standard output: what the tool printed is cut short"

# The battle plays on a sound data set, and its output reaches the file: exit 0, nothing said.
"$tool" "$scenario" --seed 7 > "$work/out" 2> "$work/err"
code=$?
[ "$code" -eq 0 ] || fail "a sound battle ended with $code: $(cat "$work/err")"
[ ! -s "$work/err" ] || fail "a sound battle said: $(cat "$work/err")"
grep -q "^Outcome: " "$work/out" || fail "a sound battle printed no outcome"

# A device that is always full.
"$tool" "$scenario" --seed 7 > /dev/full 2> "$work/err"
code=$?
[ "$code" -eq 1 ] || fail "into /dev/full the tool ended with $code, not 1"
[ "$(cat "$work/err")" = "$cut_short" ] || fail "into /dev/full the tool said: $(cat "$work/err")"
"$tool" --help > /dev/full 2> "$work/err"
code=$?
[ "$code" -eq 1 ] || fail "--help into /dev/full ended with $code, not 1"
[ "$(cat "$work/err")" = "$cut_short" ] || fail "--help into /dev/full said: $(cat "$work/err")"

# A limit of 1 KB on the files the tool writes: the commentary is longer.
( ulimit -f 1; exec "$tool" "$scenario" --seed 7 ) > "$work/out" 2> "$work/err"
code=$?
[ "$code" -eq 1 ] || fail "under a 1 KB limit the tool ended with $code, not 1"
[ "$(cat "$work/err")" = "$cut_short" ] || fail "under a 1 KB limit the tool said: $(cat "$work/err")"
[ "$(stat -c %s "$work/out")" -le 1024 ] || fail "under a 1 KB limit the output holds $(stat -c %s "$work/out") bytes"

# A damaged image map: the displayed battle meets failed checks, plays on, and exits 1.
mkdir "$work/data"
for file in "$data"/*; do ln -s "$file" "$work/data/"; done
rm "$work/data/oiffile.map"
head -c 7 "$data/oiffile.map" > "$work/data/oiffile.map"
timeout 600 "$tool" "$scenario" --seed 7 --display --data "$work/data" > "$work/out" 2> "$work/err"
code=$?
[ "$code" -eq 1 ] || fail "with a damaged image map the tool ended with $code, not 1"
grep -q "^vael-battle: failed check: The map file $work/data/oiffile.map is damaged: " "$work/err" \
  || fail "with a damaged image map the tool said: $(head -n 3 "$work/err")"

# Figure archives cut short: each one the battle draws from is named once on standard error, however many of
# its pictures fail, and the battle, whose rules never look at a picture, plays to its end with exit 0.
rm "$work/data/oiffile.map"
ln -s "$data/oiffile.map" "$work/data/"
for file in "$data"/fig*.oif; do
  rm "$work/data/${file##*/}"
  head -c 3000 "$file" > "$work/data/${file##*/}"
done
timeout 600 "$tool" "$scenario" --seed 7 --display --data "$work/data" > "$work/out" 2> "$work/err"
code=$?
[ "$code" -eq 0 ] || fail "with cut figure archives the tool ended with $code: $(head -n 3 "$work/err")"
told=$(grep -c "^vael-battle: the data file $work/data/fig[0-9]*[fhq].oif is damaged: .*: what is drawn from it is left out$" "$work/err")
[ "$told" -ge 1 ] || fail "with cut figure archives the tool said: $(head -n 3 "$work/err")"
[ "$told" -eq "$(wc -l < "$work/err")" ] || fail "with cut figure archives the tool said more: $(head -n 5 "$work/err")"
[ "$(sed 's/ is damaged: .*//' "$work/err" | sort | uniq -d)" = "" ] || fail "an archive was named twice: $(cat "$work/err")"
exit $status
