#!/usr/bin/env bash
# Checks what scripts/release left in build/release/, makes the release a
# second time in a folder of its own and compares the sums, then runs the
# module tests under Wine against the module from the zip (the Windows suite's
# build is reused). Ends with one line "release: N passed, M failed".
set -euo pipefail
export LC_ALL=C  # the file lists below are compared sorted
cd "$(dirname "$0")/../.."
release=build/release
version=$(sed -nE 's/^project\(brindlecast VERSION ([0-9]+(\.[0-9]+)*)[ )].*/\1/p' CMakeLists.txt)
zip="$release/brindlecast-$version-win64.zip"
tarball="brindlecast-$version.tar.gz"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unpacked="$work/unpacked"
mkdir "$unpacked" "$work/package"
mkdir -p build/logs
passed=0
failed=0
check() {  # check WHAT COMMAND...
    if "${@:2}"; then echo "ok: $1"; passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi
}
listing() { tr '\n' ' ' <<<"$1"; }
files="COPYING README.txt brindlecast.m brindlecast.mexw64 brindleport.m "
size() { stat -c %s "$1"; }
# The module was 239 KB when std::chrono pulled winpthreads in; it is about 72 KB now.
size_limit=102400

check "the zip unpacks" unzip -q "$zip" -d "$unpacked"
check "the zip holds exactly $files" [ "$(listing "$(unzip -Z1 "$zip" | sort)")" = "$files" ]
check "SHA256SUMS covers the zip and the tarball" \
    [ "$(listing "$(awk '{print $2}' "$release/SHA256SUMS")")" = "$(basename "$zip") $tarball " ]
check "the sums verify" bash -c "cd '$release' && sha256sum --quiet -c SHA256SUMS"
check "the stripped module is smaller" \
    [ "$(size "$unpacked/brindlecast.mexw64")" -lt "$(size "$release/windows/brindlecast.mexw64")" ]
check "the zip's module is at most $size_limit bytes ($(size "$unpacked/brindlecast.mexw64"))" \
    [ "$(size "$unpacked/brindlecast.mexw64")" -le "$size_limit" ]
check "the zip's module imports and exports as shipped" \
    tests/windows/check_imports.sh "$unpacked/brindlecast.mexw64"
check "help brindlecast names version $version" grep -q -x "%   Version $version\." "$unpacked/brindlecast.m"
check "the zip's brindleport.m is the repository's" cmp -s brindleport.m "$unpacked/brindleport.m"
packaging/make_package "$work/package" >/dev/null
check "the tarball is what make_package writes" cmp -s "$work/package/$tarball" "$release/$tarball"
scripts/release "$work/again" >build/logs/release-again.log 2>&1 || tail -n 20 build/logs/release-again.log
check "a second release from this commit in another folder has the same sums" \
    diff "$release/SHA256SUMS" "$work/again/SHA256SUMS"

BRINDLECAST_MODULE="$unpacked/brindlecast.mexw64" tests/windows/run_wine_tests.sh \
    >build/logs/release-wine.log 2>&1 || true
grep -E '^(\[  FAILED  \]|details:|module_tests.exe|module:|wine:)' build/logs/release-wine.log || true
check "the module tests pass under Wine with the zip's module" \
    grep -q -E '^wine: [1-9][0-9]* passed, 0 failed' build/logs/release-wine.log

echo "release: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
