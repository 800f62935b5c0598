#!/usr/bin/env bash
# Wine's cscript drives lumbraplug from VBScript (plugin_check.vbs). cscript exits 0 even when
# the script fails, so the script's last line is what counts.
#   cscript_test.sh <wine loader> <folder of the control> <folder of this script>
set -uo pipefail
wine=$1
folder=$2
here=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

module=$("$wine" winepath -w "$folder/lumbraplug.ocx" 2>/dev/null | tr -d '\r')
"$wine" regsvr32 /s "$module" </dev/null >/dev/null 2>&1 || { echo "FAIL: regsvr32"; exit 1; }
mkdir "$work/empty"
cp "$here/plugin_check.vbs" "$work/"
output=$("$wine" cscript //nologo "$("$wine" winepath -w "$work/plugin_check.vbs" 2>/dev/null | tr -d '\r')" \
  "$("$wine" winepath -w "$work/empty" 2>/dev/null | tr -d '\r')" </dev/null 2>&1 | tr -d '\r')
echo "$output"
"$wine" regsvr32 /u /s "$module" </dev/null >/dev/null 2>&1
[ "$(printf '%s\n' "$output" | tail -n 1)" = "lumbraplug script: all checks passed" ]
