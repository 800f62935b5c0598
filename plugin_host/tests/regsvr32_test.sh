#!/usr/bin/env bash
# Wine's regsvr32 registers and unregisters lumbraplug.ocx; the registry then holds exactly the
# expected key trees (exported with Wine's reg and compared whole).
#   regsvr32_test.sh <wine loader> <folder of the control> <folder of this script>
set -uo pipefail
wine=$1
folder=$2
here=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

module=$("$wine" winepath -w "$folder/lumbraplug.ocx" 2>/dev/null | tr -d '\r')
[ -n "$module" ] || fail "winepath"
keys=('HKCR\PlugIn.PlugIn.1' 'HKCR\PlugIn.PlugIn' 'HKCR\CLSID\{6A1D4C11-5B3E-4F11-9C27-1E8B30D4A6F5}'
      'HKCR\TypeLib\{6A1D4C02-5B3E-4F11-9C27-1E8B30D4A6F5}')

# Wine now and then loses a new process during its start-up (the same that makes CreateProcess
# fail with ERROR_INTERNAL_ERROR): reg then fails as if the key were missing. Reading is safe to
# try again; what the last try said is kept for the failure message.
export_key() { # export_key KEY FILE
  local attempt
  for attempt in 1 2 3; do
    "$wine" reg export "$1" "$2" /y >"$work/reg.out" 2>&1 </dev/null && return 0
    sleep 1
  done
  return 1
}

export_all() { # the four trees as UTF-8 text, paths replaced by placeholders
  local key
  for key in "${keys[@]}"; do
    export_key "$key" "$work/key.reg" || fail "no key $key ($(tr -d '\r' <"$work/reg.out" | tail -n 3))"
    iconv -f UTF-16 -t UTF-8 "$work/key.reg" | tr -d '\r' | sed 's/^\xEF\xBB\xBF//'
  done | python3 -c '
import sys
module, folder = sys.argv[1].replace("\\", "\\\\"), sys.argv[2].replace("\\", "\\\\")
text = sys.stdin.read().replace(module, "@MODULE@").replace(folder, "@FOLDER@")
sys.stdout.write(text.replace("\\win64]", "\\@SYSKIND@]").replace("\\win32]", "\\@SYSKIND@]"))
' "$module" "${module%\\*}\\"
}

"$wine" regsvr32 /u /s "$module" </dev/null >/dev/null 2>&1
"$wine" regsvr32 /s "$module" </dev/null >/dev/null 2>&1 || fail "regsvr32 returned $?"
# Registering twice leaves one set of keys.
"$wine" regsvr32 /s "$module" </dev/null >/dev/null 2>&1 || fail "second regsvr32 returned $?"
export_all >"$work/registered.reg"
diff -u "$here/registered.reg" "$work/registered.reg" || fail "registered keys differ"

"$wine" regsvr32 /u /s "$module" </dev/null >/dev/null 2>&1 || fail "regsvr32 /u returned $?"
for key in 'HKCR\PlugIn.PlugIn.1' 'HKCR\PlugIn.PlugIn' 'HKCR\CLSID\{6A1D4C11-5B3E-4F11-9C27-1E8B30D4A6F5}'; do
  if "$wine" reg query "$key" </dev/null >/dev/null 2>&1; then
    fail "$key is still there after unregistering"
  fi
done
"$wine" reg query 'HKCR\CLSID' </dev/null >/dev/null 2>&1 || fail "HKCR\\CLSID was removed"
"$wine" reg query 'HKCR\TypeLib\{6A1D4C02-5B3E-4F11-9C27-1E8B30D4A6F5}\1.0' </dev/null >/dev/null 2>&1 ||
  fail "the type library registration went with the class"
echo "regsvr32: registered and unregistered exactly the expected keys"
