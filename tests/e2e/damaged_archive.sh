#!/usr/bin/env bash
# The real game with a bad archive in its install folder: a truncated Zandor.lmo is refused
# with the fatal report, an archive of another game with the invalid-resources report; either
# way the run ends through the normal shutdown, whose "Closing Log" banner is the last word.
# $1: the build folder (holding zandor, Zandor.lmo and tools/lmopack).
set -euo pipefail
build=$(cd "$1" && pwd)
run=$(mktemp -d /tmp/zandor-e2e-damaged.XXXX)
trap 'rm -rf "$run"' EXIT
[ -f "$build/Zandor.lmo" ] || { echo "no $build/Zandor.lmo"; exit 1; }
printf 'wait 5\nquit\n' > "$run/script.txt"

# run_case NAME EXPECTED-LINE: runs the game in $run/NAME/inst with a fresh home, checks Log.txt.
run_case() {
  local name=$1 want=$2 dir="$run/$1" rc=0
  mkdir -p "$dir/home"
  ln -s "$build/zandor" "$dir/inst/zandor"
  printf '#WINDOWED\n' > "$dir/inst/Config.txt"
  (cd "$dir/inst" && env HOME="$dir/home" XDG_DATA_HOME= XDG_CONFIG_HOME= SDL_AUDIODRIVER=dummy \
      ZANDOR_SCRIPT="$run/script.txt" ZANDOR_FIXED_STEP_MS=10 \
      timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" ./zandor > "$dir/stdout" 2>&1) || rc=$?
  if [ "$rc" -eq 124 ] || [ "$rc" -ge 128 ]; then
    echo "$name: zandor did not end by itself (exit $rc):"; cat "$dir/stdout"; return 1
  fi
  local log="$dir/home/.local/share/Taglum Games/Zandor/Log.txt"
  [ -f "$log" ] || { echo "$name: no Log.txt"; cat "$dir/stdout"; return 1; }
  local fail=0
  for line in "$want" "// Closing Log"; do
    grep -qF -- "$line" "$log" || { echo "$name: Log.txt lacks: $line"; fail=1; }
  done
  if [ $fail -ne 0 ]; then cat "$log"; cat "$dir/stdout"; return 1; fi

  echo "$name: ok"
}

# A copy cut in the middle of its entry table.
mkdir -p "$run/damaged/inst"
head -c 200 "$build/Zandor.lmo" > "$run/damaged/inst/Zandor.lmo"
run_case damaged "Zan Dor Report : LMO file is damaged : Zandor.lmo"

# A sound archive of another game: the identity entry names someone else.
mkdir -p "$run/foreign/inst" "$run/foreign/entries"
printf '#GAMEID ABCD\n' > "$run/foreign/entries/TXT_GAMEID"
printf 'hello' > "$run/foreign/entries/TXT_OTHER"
"$build/tools/lmopack" -o "$run/foreign/inst/Zandor.lmo" "$run/foreign/entries" > /dev/null
run_case foreign "Get Latest Version : Invalid LMO Files Found : LM89"

echo "damaged archive e2e: ok"
