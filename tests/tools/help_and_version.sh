#!/usr/bin/env bash
# Every program of the project answers --help and --version on its standard output, exits 0 and writes
# nothing: run in an empty folder of the test's own, with a home and the folders of the settings, the
# saved games and the state there too, the folder is as empty afterwards. An unknown option is refused with
# exit 2 and a word on standard error, and writes nothing either. Each case names itself when it fails.
#   help_and_version.sh PROGRAM...
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAILED: $*"; status=1; }
for program in "$@"; do
  name=${program##*/}
  for option in --help --version --halp -x; do
    rm -rf "$work/here"
    mkdir "$work/here"
    ( cd "$work/here" && HOME="$work/here" XDG_CONFIG_HOME="$work/here" XDG_DATA_HOME="$work/here" \
        XDG_STATE_HOME="$work/here" VAEL_TRACE= timeout 60 "$program" "$option" ) > "$work/out" 2> "$work/err"
    code=$?
    left=$(cd "$work/here" && find . -mindepth 1 | head -n 5)
    [ -z "$left" ] || fail "$name $option wrote into the folder: $left"
    case $option in
      --help)
        [ "$code" -eq 0 ] || fail "$name --help ended with $code: $(head -n 2 "$work/err")"
        grep -q "^usage: $name" "$work/out" || fail "$name --help printed: $(head -n 2 "$work/out")"
        grep -q -- "--version" "$work/out" || fail "$name --help does not tell --version"
        [ ! -s "$work/err" ] || fail "$name --help said: $(head -n 2 "$work/err")" ;;
      --version)
        [ "$code" -eq 0 ] || fail "$name --version ended with $code: $(head -n 2 "$work/err")"
        [ "$(cat "$work/out")" = "$name 0.1" ] || fail "$name --version printed: $(head -n 2 "$work/out")"
        [ ! -s "$work/err" ] || fail "$name --version said: $(head -n 2 "$work/err")" ;;
      *)
        [ "$code" -eq 2 ] || fail "$name $option ended with $code, not 2"
        grep -q "^$name: unknown option $option$" "$work/err" || fail "$name $option said: $(head -n 2 "$work/err")"
        [ ! -s "$work/out" ] || fail "$name $option printed: $(head -n 2 "$work/out")" ;;
    esac
  done
done
exit $status
