#!/usr/bin/env bash
# scripts/setup against a package archive whose i386 index is mid-sync, with apt-get, dpkg and
# dpkg-query stubbed first on PATH: the 64-bit half goes in, the i386 half is reported with
# apt's reason, the tests are sent to the 64-bit build, and a second run is silent.
set -uo pipefail
source_root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/rw-setup-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/repo" "$work/bin"
cp -r "$source_root/scripts" "$work/repo/"
: >"$work/installed"
: >"$work/calls"

cat >"$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
grep -qx "${!#}" "$STUB_DIR/installed" && printf 'install ok installed'
STUB
cat >"$work/bin/dpkg" <<'STUB'
#!/usr/bin/env bash
echo "dpkg $*" >>"$STUB_DIR/calls"
STUB
# The archive of the day: every index downloads but the i386 security one, and the i386
# packages then cannot be resolved. STUB_BROKEN=all refuses every package.
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB_DIR/calls"
case " $* " in
*" update "*)
  echo "E: Failed to fetch http://deb.example/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
  exit 100 ;;
esac
for p in "$@"; do
  [[ "$p" == -* || "$p" == install ]] && continue
  if [[ "$p" == *:i386 || "${STUB_BROKEN:-}" == all ]]; then
    echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages."
    exit 100
  fi
done
for p in "$@"; do [[ "$p" == -* || "$p" == install ]] || echo "$p" >>"$STUB_DIR/installed"; done
STUB
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

run_setup() { # run_setup OUTPUT_FILE: scripts/setup of the copy, with the stubs; prints its code
  STUB_DIR=$work PATH="$work/bin:$PATH" RW_KERNEL_32BIT=${KERNEL:-yes} RW_SETUP_UPDATE_PAUSE=0 \
    "$work/repo/scripts/setup" >"$1" 2>&1
  echo $?
}

# A machine that runs 32-bit code, on the day the i386 index is broken.
code=$(run_setup "$work/out1")
[ "$code" = 0 ] || fail "setup exited $code with the 64-bit half installed"
[ "$(grep -c 'apt-get update' "$work/calls")" -ge 3 ] || fail "apt-get update was not retried"
grep -qx 'cmake' "$work/installed" || fail "the 64-bit half was not installed"
grep -qx 'wine64' "$work/installed" || fail "64-bit Wine was not installed"
first_64=$(grep -n 'install.* cmake' "$work/calls" | head -n 1 | cut -d: -f1)
first_32=$(grep -n 'install.*:i386' "$work/calls" | head -n 1 | cut -d: -f1)
[ -n "$first_32" ] && [ "$first_64" -lt "$first_32" ] || fail "the i386 half was not tried after the 64-bit one"
said=$(grep -c '32-bit Wine could not be installed' "$work/out1")
[ "$said" = 1 ] || fail "the i386 failure was not said in one line: $(cat "$work/out1")"
grep -q 'apt said: E: Error, pkgProblemResolver' "$work/out1" || fail "apt's reason is missing: $(cat "$work/out1")"

# The test script then picks the 64-bit build and says why.
why=$(cd "$work/repo" && RW_KERNEL_32BIT=yes bash -c '. scripts/lib/wine.sh; rw_pick_build; echo "$RW_PRESET|$RW_WHY_64"')
case "$why" in
"win64|32-bit Wine is not installed (apt said: E: Error, pkgProblemResolver"*) ;;
*) fail "rw_pick_build said: $why" ;;
esac
why=$(cd "$work/repo" && RW_KERNEL_32BIT=no bash -c '. scripts/lib/wine.sh; rw_pick_build; echo "$RW_PRESET|$RW_WHY_64"')
[ "$why" = "win64|the kernel cannot run 32-bit programs" ] || fail "rw_pick_build said: $why"

# On a kernel without 32-bit support the i386 half is not wanted: nothing to say, nothing to do.
: >"$work/calls"
code=$(KERNEL=no run_setup "$work/out2")
[ "$code" = 0 ] && [ ! -s "$work/out2" ] && [ ! -s "$work/calls" ] ||
  fail "a second run was not silent (code $code): $(cat "$work/out2")"

# Nothing installable at all: nothing can be built, and setup says so.
: >"$work/installed"
code=$(KERNEL=no STUB_BROKEN=all run_setup "$work/out3")
[ "$code" != 0 ] || fail "setup succeeded with no compiler"
grep -q 'nothing can be built without cmake' "$work/out3" || fail "no reason given: $(cat "$work/out3")"

[ "$failures" = 0 ] && echo "setup script: all checks passed"
exit "$failures"
