#!/usr/bin/env bash
# comlist and usb: names end to end: the real module (build/octave) in an
# octave-cli that sees a sysfs tree of ours (tests/support/fake_sysfs.sh) bound
# over /sys, and a /dev of its own whose ttyUSB0 and ttyACM0 are socat ptys,
# each bound onto its node (a pty slave opens only through its own devpts, so
# a mknod of its numbers or a symlink would not do). All inside a private
# mount namespace (unshare -m), so nothing outside sees it. Needs root; where
# the namespace cannot be made it says so and is skipped. Ends with one line
# "identity: N passed, M failed".
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tests=$here/../octave/identity
module_folder=$(realpath "${1:?usage: identity_namespace.sh MODULE-FOLDER}")

skip() {
    echo "identity: skipped: $1"
    echo "identity: 0 passed, 0 failed"
    exit 0
}
[ "$(id -u)" -eq 0 ] || skip "a mount namespace needs root"
command -v unshare socat octave-cli >/dev/null || skip "unshare, socat or octave-cli is missing"
unshare -m --propagation private true 2>/dev/null || skip "no private mount namespace can be made here"

work=$(mktemp -d /tmp/brindlecast-identity-XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# 32 listed ports: the tree's eight and 24 more FT232Rs, for the timing.
sh "$here/fake_sysfs.sh" "$work/sys" 24
for cable in usb0 acm0; do
    socat "pty,raw,echo=0,link=$work/$cable" "pty,raw,echo=0,link=$work/$cable-far" \
        </dev/null >/dev/null 2>&1 &
    pids+=($!)
done
for _ in $(seq 200); do
    [ -e "$work/usb0" ] && [ -e "$work/acm0" ] && [ -e "$work/usb0-far" ] &&
        [ -e "$work/acm0-far" ] && break
    sleep 0.02
done

# The module's own /dev: the host's devices a process needs, then the two ports.
unshare -m --propagation private bash -euo pipefail -c '
    work=$1 tests=$2 module_folder=$3
    mkdir "$work/host-dev"
    mount --rbind /dev "$work/host-dev"
    mount --bind "$work/sys" /sys
    mount -t tmpfs brindlecast-dev /dev
    for node in null zero full random urandom tty; do
        touch "/dev/$node"
        mount --bind "$work/host-dev/$node" "/dev/$node"
    done
    mkdir /dev/pts
    mount --bind "$work/host-dev/pts" /dev/pts
    ln -s /proc/self/fd /dev/fd
    for port in ttyUSB0:usb0 ttyACM0:acm0; do
        touch "/dev/${port%%:*}"
        mount --bind "$(readlink -f "$work/${port#*:}")" "/dev/${port%%:*}"
    done
    cd "$work"
    WORK=$work octave-cli --norc --no-history --path "$module_folder" --path "$tests/.." --eval \
        "[n, total] = test (\"$tests/identity.tst\", \"quiet\", stdout);
         printf (\"identity: %d passed, %d failed\\n\", n, total - n);"
' identity "$work" "$tests" "$module_folder" 2>&1 || true
