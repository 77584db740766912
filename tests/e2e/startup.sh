#!/usr/bin/env bash
# The real game starts in a fresh home, runs a few frames of a script, quits through the normal
# shutdown, and leaves a complete Log.txt.
set -euo pipefail
build=$(cd "$1" && pwd)
run=$(mktemp -d /tmp/zandor-e2e-startup.XXXX)
trap 'rm -rf "$run"' EXIT
mkdir -p "$run/home" "$run/inst"
ln -s "$build/zandor" "$run/inst/zandor"
[ -f "$build/Zandor.lmo" ] && ln -s "$build/Zandor.lmo" "$run/inst/Zandor.lmo"
printf '#WINDOWED\n' > "$run/inst/Config.txt"
printf 'wait 20\nquit\n' > "$run/script.txt"
cd "$run/inst"
env HOME="$run/home" XDG_DATA_HOME= XDG_CONFIG_HOME= SDL_AUDIODRIVER=dummy \
    ZANDOR_SCRIPT="$run/script.txt" ZANDOR_FIXED_STEP_MS=10 \
    timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" ./zandor > "$run/stdout" 2>&1 || {
  echo "zandor failed:"; cat "$run/stdout"; exit 1; }
log="$run/home/.local/share/Taglum Games/Zandor/Log.txt"
[ -f "$log" ] || { echo "no Log.txt"; cat "$run/stdout"; exit 1; }
fail=0
for want in "// Zan Dor Log Created" " : Zan Dor v1.12.0 (Taglum Games)" \
            " : Install Dir = \"$run/inst\"" \
            " : Data Dir = \"$run/home/.local/share/Taglum Games/Zandor\"" "// Closing Log"; do
  grep -qF -- "$want" "$log" || { echo "Log.txt lacks: $want"; fail=1; }
done
if [ $fail -ne 0 ]; then cat "$log"; exit 1; fi
echo "startup e2e: ok"
