#!/usr/bin/env bash
# The Windows module must run in a bare MATLAB: it exports mexFunction alone
# and imports only from MATLAB's libmx/libmex, kernel32 and the C runtime;
# from libmx and libmex exactly the functions their .def files list (the
# string calls mxIsClass and mexCallMATLAB among them); from kernel32, setupapi
# and advapi32 only functions that kernel32_imports.txt, setupapi_imports.txt
# and advapi32_imports.txt beside this script list, each with why.
set -euo pipefail
export LC_ALL=C  # the lists below are compared sorted
module=${1:?usage: check_imports.sh brindlecast.mexw64}
dump=$(x86_64-w64-mingw32-objdump -p "$module")

imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump" | sort -u)
unexpected=$(grep -v -x -E 'libmx\.dll|libmex\.dll|kernel32\.dll|setupapi\.dll|advapi32\.dll|msvcrt\.dll|api-ms-win-crt-[a-z0-9-]+\.dll' <<<"$imports" || true)
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {table=1; next} table && /\[ *[0-9]+\]/ {print $NF} table && NF == 0 {table=0}' <<<"$dump")

status=0
for needed in libmx.dll libmex.dll kernel32.dll; do
    grep -q -x "$needed" <<<"$imports" || { echo "check_imports: $needed is not imported"; status=1; }
done
[ -z "$unexpected" ] || { echo "check_imports: unexpected imports: $unexpected"; status=1; }
here=$(cd "$(dirname "$0")" && pwd)
hosts=$here/../../src/host
for library in libmx libmex; do
    imported=$(awk -v dll="$library.dll" '/DLL Name:/ {take = tolower($3) == dll; next}
        take && NF == 0 {take = 0} take && $1 ~ /^[0-9a-f]+$/ && NF == 3 {print $3}' <<<"$dump" | sort)
    listed=$(awk 'NR > 2 && NF {print $1}' "$hosts/$library.def" | sort)
    [ "$imported" = "$listed" ] ||
        { echo "check_imports: $library.dll imports differ from $library.def:"; diff <(echo "$listed") <(echo "$imported"); status=1; }
done
for library in kernel32 setupapi advapi32; do
    imported=$(awk -v dll="$library.dll" '/DLL Name:/ {take = tolower($3) == dll; next}
        take && NF == 0 {take = 0} take && $1 ~ /^[0-9a-f]+$/ && NF == 3 {print $3}' <<<"$dump" | sort)
    allowed=$(sed 's/#.*//' "$here/${library}_imports.txt" | awk 'NF {print $1}' | sort)
    unlisted=$(comm -23 <(echo "$imported") <(echo "$allowed"))
    [ -z "$unlisted" ] || {
        echo "check_imports: $library functions not in tests/windows/${library}_imports.txt: $(tr '\n' ' ' <<<"$unlisted")"
        status=1
    }
done
[ "$exports" = "mexFunction" ] || { echo "check_imports: exports are '$exports', expected mexFunction alone"; status=1; }
if [ "$status" -eq 0 ]; then
    echo "check_imports: $(basename "$module") exports mexFunction and imports $(tr '\n' ' ' <<<"$imports")"
fi
exit "$status"
