#!/usr/bin/env bash
# Checks what scripts/release left in build/release/: the zip unpacked into an
# empty folder holds exactly its four files, the sums verify, the stripped
# module is smaller than the one the release built, the help names the
# version, the tarball is what make_package writes, and the module tests run
# under Wine against the module from the zip. Ends with one line
# "release: N passed, M failed".
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
release="$root/build/release"
version=$(sed -nE 's/^project\(brindlecast VERSION ([0-9]+(\.[0-9]+)*)[ )].*/\1/p' CMakeLists.txt)
zip="$release/brindlecast-$version-win64.zip"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...: counts and prints the outcome
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
        passed=$((passed + 1))
    else
        echo "FAILED: $what"
        failed=$((failed + 1))
    fi
}

unpacked="$work/unpacked"
mkdir "$unpacked"
check "the zip unpacks" unzip -q "$zip" -d "$unpacked"
holds_its_files() {
    [ "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "COPYING README.txt brindlecast.m brindlecast.mexw64 " ] &&
        [ "$(cd "$unpacked" && find . -mindepth 1 | sort | tr '\n' ' ')" = \
            "./COPYING ./README.txt ./brindlecast.m ./brindlecast.mexw64 " ]
}
check "the zip holds exactly COPYING, README.txt, brindlecast.m, brindlecast.mexw64" holds_its_files
sums_verify() {
    [ "$(awk '{print $2}' "$release/SHA256SUMS" | tr '\n' ' ')" = \
        "brindlecast-$version-win64.zip brindlecast-$version.tar.gz " ] &&
        (cd "$release" && sha256sum --quiet -c SHA256SUMS)
}
check "SHA256SUMS covers the zip and the tarball, and they verify" sums_verify
smaller() {
    local stripped unstripped
    stripped=$(stat -c %s "$unpacked/brindlecast.mexw64")
    unstripped=$(stat -c %s "$release/windows/brindlecast.mexw64")
    echo "stripped $stripped bytes, unstripped $unstripped"
    [ "$stripped" -lt "$unstripped" ]
}
check "the stripped module is smaller than the unstripped one" smaller
check "the zip's module imports and exports as shipped" \
    tests/windows/check_imports.sh "$unpacked/brindlecast.mexw64"
check "help brindlecast names version $version" grep -q -x "%   Version $version\." \
    "$unpacked/brindlecast.m"
repo_files() {
    cmp -s "$unpacked/brindlecast.m" brindlecast.m && cmp -s "$unpacked/COPYING" packaging/COPYING
}
check "the files beside the module are the repo's" repo_files
same_tarball() {
    packaging/make_package "$work/package" >/dev/null &&
        cmp "$work/package/brindlecast-$version.tar.gz" "$release/brindlecast-$version.tar.gz"
}
check "the tarball is what make_package writes" same_tarball

# The module tests against the zip's module; the Windows suite's build is reused.
BRINDLECAST_MODULE="$unpacked/brindlecast.mexw64" tests/windows/run_wine_tests.sh \
    >"$work/wine.log" 2>&1 || true
grep -E '^(\[  FAILED  \]|details:|module_tests.exe|wine:)' "$work/wine.log" || true
wine_line=$(grep -E '^wine: [0-9]+ passed, [0-9]+ failed' "$work/wine.log" | tail -n 1 || true)
check "the module tests pass under Wine with the zip's module ($wine_line)" \
    grep -q -E '^wine: [1-9][0-9]* passed, 0 failed' "$work/wine.log"
cp "$work/wine.log" "$root/build/logs/release-wine.log" 2>/dev/null || true

echo "release: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
