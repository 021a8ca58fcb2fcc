#!/usr/bin/env bash
# Checks what `cmake --install` put under a prefix: the layout packaging/CMakeLists.txt describes,
# the help file beside the program's real location, the desktop entry's names against the files
# that are there, the udev rule against the one docs/linux-permissions.md tells people to copy,
# and the installed program itself (--version, --help, and a start on the offscreen platform).
#
# check_installed.sh PREFIX SOURCE_DIR VERSION
set -euo pipefail

prefix=$1
source_dir=$2
version=$3

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

program_link=$prefix/bin/kelvran-eval
program=$prefix/lib/kelvran-eval/kelvran-eval

# The command is a link to the program in its private folder, and the help sits beside the
# program's real file: that folder is what the program searches, as /proc/self/exe names it.
if [ ! -L "$program_link" ]; then
  fail "$program_link is not a symbolic link"
elif [ "$(readlink -f "$program_link")" != "$(readlink -f "$program")" ]; then
  fail "$program_link points to $(readlink -f "$program_link"), not to $program"
fi
[ -x "$program" ] || fail "$program is missing or not executable"
help_file=$(dirname "$(readlink -f "$program_link")")/KELVRAN.html
if [ ! -f "$help_file" ]; then
  fail "no help file beside the program: $help_file"
elif ! cmp -s "$help_file" "$source_dir/help/KELVRAN.html"; then
  fail "$help_file differs from help/KELVRAN.html"
fi
[ ! -e "$prefix/bin/KELVRAN.html" ] || fail "the help file is also in bin/, which holds commands only"

# The desktop entry must start the installed command and name an icon that is installed.
desktop=$prefix/share/applications/kelvran-eval.desktop
if [ ! -f "$desktop" ]; then
  fail "no desktop entry at $desktop"
else
  if ! command -v desktop-file-validate >/dev/null 2>&1; then
    fail "desktop-file-validate is not installed (package desktop-file-utils; scripts/deps has it)"
  else
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
  fi
  while IFS= read -r exec_line; do
    command_name=${exec_line#*=}
    command_name=${command_name%% *}
    [ -x "$prefix/bin/$command_name" ] ||
      fail "the desktop entry's '$exec_line' names no installed command in bin/"
  done < <(grep -E '^(Exec|TryExec)=' "$desktop")
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -n "$icon" ] || fail "the desktop entry names no icon"
  for icon_file in scalable/apps/$icon.svg 64x64/apps/$icon.png 128x128/apps/$icon.png; do
    [ -s "$prefix/share/icons/hicolor/$icon_file" ] ||
      fail "the desktop entry's icon '$icon' is not installed as hicolor/$icon_file"
  done
fi

# The installed rule is the one the documentation prints (its first code block after the heading).
rule=$prefix/lib/udev/rules.d/60-kelvran-eval.rules
documented=$(awk '/^## The udev rule/ { section = 1; next }
                  section && /^```/ { if (inside) exit; inside = 1; next }
                  inside { print }' "$source_dir/docs/linux-permissions.md")
if [ ! -f "$rule" ]; then
  fail "no udev rule at $rule"
elif [ -z "$documented" ]; then
  fail "docs/linux-permissions.md has no rule block under '## The udev rule'"
elif [ "$(cat "$rule")" != "$documented" ]; then
  fail "$rule differs from the rule in docs/linux-permissions.md"
  diff <(echo "$documented") "$rule" >&2 || true
fi

# The group the rule gives the I2C nodes comes from the sysusers.d file, so it exists wherever
# the package is installed.
sysusers=$prefix/lib/sysusers.d/kelvran-eval.conf
rule_group=$(sed -n 's/.*SUBSYSTEM=="i2c-dev".*GROUP="\([^"]*\)".*/\1/p' "$rule" 2>/dev/null)
if [ ! -f "$sysusers" ]; then
  fail "no sysusers.d file at $sysusers"
elif ! grep -Eq "^g[[:space:]]+$rule_group[[:space:]]" "$sysusers"; then
  fail "$sysusers does not declare the group '$rule_group' the udev rule names"
fi

for page in linux-permissions.md simulator.md; do
  [ -f "$prefix/share/doc/kelvran-eval/$page" ] || fail "share/doc/kelvran-eval/$page is missing"
done

# The installed program answers on the command line without any display...
output=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program_link" --version 2>&1) ||
  fail "kelvran-eval --version ended with status $?"
[ "$output" = "kelvran-eval $version" ] ||
  fail "kelvran-eval --version printed '$output', expected 'kelvran-eval $version'"
output=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program_link" --help 2>&1) ||
  fail "kelvran-eval --help ended with status $?"
grep -q 'KELVRAN.html' <<<"$output" || fail "kelvran-eval --help does not say where the help is"

# The terminal program sits in bin/ with its manual page and completion, and reads the
# simulated chip.
for file in bin/kelvran share/man/man1/kelvran.1.gz share/man/man1/kelvran-eval.1.gz \
  share/bash-completion/completions/kelvran share/doc/kelvran-eval/copyright; do
  [ -e "$prefix/$file" ] || fail "$file is missing"
done
output=$("$prefix/bin/kelvran" --simulate get "Company ID" 2>&1) ||
  fail "kelvran --simulate get 'Company ID' ended with status $?: $output"
[[ $output == *"0x41"* ]] || fail "kelvran read '$output' for the Company ID, expected 0x41"

# ...and starts its windows on the simulated hardware, staying up until it is ended.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work \
  "$program_link" --simulate >"$work/program.out" 2>&1 &
pid=$!
for _ in $(seq 30); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  kill "$pid"
  wait "$pid" 2>/dev/null || true
else
  status=0
  wait "$pid" || status=$?
  fail "kelvran-eval --simulate ended by itself within 3 s (status $status):"
  cat "$work/program.out" >&2
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed for the installation under $prefix" >&2
  exit 1
fi
echo "installation under $prefix is complete"
