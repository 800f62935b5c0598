#!/usr/bin/env bash
# Wine's cscript lists the fixture plug-ins through the shipped lumbraplug.ocx and the real
# lumbra32 beside it (plugin_catalogue.vbs); the listing must be what the fixtures declare.
#   cscript_catalogue_test.sh <wine loader> <build folder> <folder of this script>
set -uo pipefail
wine=$1
build=$2
here=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
winpath() { "$wine" winepath -w "$1" 2>/dev/null </dev/null | tr -d '\r'; }

# regsvr32 finds lumbra32.dll beside the control only when it is named by a Windows path.
module=$(winpath "$build/lumbraplug.ocx")
plugins=$(winpath "$build/plugins")
[ -n "$module" ] && [ -n "$plugins" ] || fail "winepath"
"$wine" regsvr32 /s "$module" </dev/null >/dev/null 2>&1 || fail "regsvr32 returned $?"
cp "$here/plugin_catalogue.vbs" "$work/"
output=$("$wine" cscript //nologo "$(winpath "$work/plugin_catalogue.vbs")" "$plugins" \
  </dev/null 2>&1 | tr -d '\r')
echo "$output"
"$wine" regsvr32 /u /s "$module" </dev/null >/dev/null 2>&1 || fail "regsvr32 /u returned $?"
if "$wine" reg query 'HKCR\PlugIn.PlugIn' </dev/null >/dev/null 2>&1; then
  fail "the class is still registered after unregistering"
fi

# What the fixtures' property lists declare, in the library's order (by file name). Pair Red's
# second language is not listed; which language is shown follows the user's.
f="Ridgewright Fixtures"
p="Ridgewright Pairs"
cat >"$work/expected" <<LIST
PlugInCount 7
0|Run Counter|$f|$plugins\\counter.8bf
1|Crasher|$f|$plugins\\crash.8bf
2|Always Fails|$f|$plugins\\fails.8bf
3|Invert|$f|$plugins\\invert.8bf
4|Pair Red|$p|$plugins\\pair.8bf|PairRed
5|Pair Blue|$p|$plugins\\pair.8bf|PairBlue
6|Slow Progress|$f|$plugins\\progress.8bf
7|Tiled Invert|$f|$plugins\\tiled.8bf
LIST
printf '%s\n' "$output" | grep -E '^(PlugInCount |[0-9]+\|)' | sed 's/^4|Paar Rot|/4|Pair Red|/' \
  >"$work/listed"
diff -u "$work/expected" "$work/listed" || fail "the catalogue differs from the fixtures"
[ "$(printf '%s\n' "$output" | tail -n 1)" = "lumbraplug catalogue script: all checks passed" ]
