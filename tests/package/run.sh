#!/usr/bin/env bash
# How users get the module, checked the way they do it: the Octave package
# (assembled, installed into throw-away prefixes, loaded, used across a socat
# cable, uninstalled), make_brindlecast.m in Octave, and "help brindlecast".
# Ends with one "package: N passed, M failed" line; non-zero exit on failure.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
root=$(pwd)

for tool in octave-cli mkoctfile make socat tar; do
    command -v "$tool" >/dev/null || { echo "package: $tool is missing"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

check() {  # check NAME COMMAND...: runs COMMAND, shows its output on failure
    local name=$1
    shift
    if "$@" >"$work/check.log" 2>&1; then
        echo "ok      $name"
        passed=$((passed + 1))
    else
        echo "FAILED  $name"
        tail -n 40 "$work/check.log" | sed 's/^/        /'
        failed=$((failed + 1))
    fi
}

in_octave() {  # in_octave CODE: one fresh session with the test helpers on the path
    (cd "$work" && timeout 120 octave-cli --norc --no-history --path "$root/tests/octave" \
        --path "$root/tests/package" --eval "$1")
}

version=$(sed -nE 's/^project\(brindlecast VERSION ([0-9.]+)[ )].*/\1/p' CMakeLists.txt)
tarball=$root/build/package/brindlecast-$version.tar.gz

tarball_is_complete() {
    packaging/make_package >/dev/null || return 1
    [ -f "$tarball" ] || { echo "no $tarball"; return 1; }
    local top=brindlecast-$version
    tar -xzf "$tarball" -C "$work" || return 1
    grep -qx "Version: $version" "$work/$top/DESCRIPTION" || { echo "DESCRIPTION version"; return 1; }
    local file
    for file in INDEX COPYING src/Makefile src/FILES src/brindlecast.m; do
        [ -s "$work/$top/$file" ] || { echo "missing $file"; return 1; }
    done
    cmp brindlecast.m "$work/$top/src/brindlecast.m" || return 1
    cmp brindleport.m "$work/$top/inst/brindleport.m" || return 1
    # Every file of the module, unchanged and in its place, and nothing else.
    diff -r -x Makefile -x FILES -x brindlecast.m -x '*.def' -x CMakeLists.txt \
        src "$work/$top/src"
}

# Where this machine's Octave keeps its package lists and packages, and what
# is there now: the installs below must leave all of it as it was.
user_octave_state() {  # user_octave_state FILE
    local places place
    places=$(in_octave "printf ('%s\n', pkg ('local_list'), pkg ('global_list'));
                        [p, a] = pkg ('prefix'); printf ('%s\n', p, a);") || return 1
    [ "$(wc -l <<<"$places")" -eq 4 ] || return 1
    while read -r place; do
        if [ -d "$place" ]; then
            find "$place" -printf '%p %s %T@\n' | sort
        elif [ -e "$place" ]; then
            echo "$place $(md5sum <"$place")"
        else
            echo "$place absent"
        fi
    done <<<"$places" >"$1"
}

user_octave_untouched() {
    if [ "$user_state_read" -ne 0 ] || ! user_octave_state "$work/user-after.txt"; then
        echo "cannot read where this machine's Octave keeps its packages"
        return 1
    fi
    diff "$work/user-before.txt" "$work/user-after.txt"
}

in_temp_prefix="pkg prefix '$work/pkg' '$work/arch';
                pkg local_list '$work/local_list';
                pkg global_list '$work/global_list';"

package_installs() {
    in_octave "$in_temp_prefix
            pkg install '$tarball';
            installed = pkg ('list');
            assert (numel (installed), 1);
            assert ({installed{1}.name, installed{1}.version}, {'brindlecast', '$version'});"
}

package_uninstalls() {
    in_octave "$in_temp_prefix
            pkg uninstall brindlecast;
            assert (isempty (pkg ('list')));" || return 1
    [ ! -e "$work/pkg/brindlecast-$version" ] && [ ! -e "$work/arch/brindlecast-$version" ]
}

# make_brindlecast run from a folder of its own, with the repo on the path
# only for that call, so that the module found afterwards is the one built.
make_script_builds_into() {
    local folder=$1
    in_octave "flags = getenv ('CXXFLAGS');
            addpath ('$root');
            make_brindlecast ('$folder');
            rmpath ('$root');
            assert (getenv ('CXXFLAGS'), flags);
            addpath ('$folder');
            loopback_check ('$folder');
            help_check ();"
}

make_script_builds_here() {
    mkdir -p "$work/here"
    in_octave "cd ('$work/here');
            addpath ('$root');
            make_brindlecast ();
            rmpath ('$root');
            assert (exist (fullfile (pwd, 'brindlecast.mex'), 'file'), 3);
            assert (exist (fullfile (pwd, 'brindlecast.m'), 'file'), 2);
            expect_error (@() brindlecast ('nosuchmode', 1), 'QUENTAROX:brindlecast',
                          'Unrecognized mode for BRINDLECAST.');"
}

build_files_in_repo() {  # objects and modules outside build/, one a line
    find "$root" -path "$root/build" -prune -o -path "$root/.git" -prune -o -type f \
        \( -name '*.o' -o -name '*.mex' -o -name '*.oct' -o -name '*.mexa64' \) -print | sort
}

build_files_in_repo >"$work/repo-before.txt"
check "tarball: built from the repo's files, version $version" tarball_is_complete
user_octave_state "$work/user-before.txt"
user_state_read=$?
check "pkg install into temporary prefixes" package_installs
check "pkg load: loopback across a socat cable" \
    in_octave "$in_temp_prefix pkg load brindlecast; loopback_check ('$work/arch');"
check "pkg load: help brindlecast" in_octave "$in_temp_prefix pkg load brindlecast; help_check ();"
check "pkg load: brindleport across a socat cable" \
    in_octave "$in_temp_prefix pkg load brindlecast;
            assert (strncmp (which ('brindleport'), '$work/pkg/', numel ('$work/pkg/')));
            cable = make_cable ();
            p = brindleport (cable.a, 9600); q = brindleport (cable.b, 9600);
            writeline (p, 'MEAS:VOLT?'); assert (readline (q), 'MEAS:VOLT?');
            clear p q; cut_cable (cable);"
check "pkg uninstall" package_uninstalls
check "the user's own Octave packages untouched" user_octave_untouched
check "make_brindlecast (FOLDER): loopback and help" make_script_builds_into "$work/built/module"
check "make_brindlecast (): builds into the current folder" make_script_builds_here
check "no build files left in the repo" diff "$work/repo-before.txt" <(build_files_in_repo)

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
