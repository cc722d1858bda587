#!/bin/bash
# Makes the oracle's test programs with MinGW: a program with one import of
# each kind the loader resolves, the DLLs it finds in each place of the
# search order, a program with a missing import, and the harness that lists
# what Wine's loader maps.
#
#   make_load_fixtures.sh SOURCE_DIR OUT_DIR X64_GCC X86_GCC X64_DLLTOOL X64_WINDRES PYTHON3
#
# OUT_DIR/app          oracle_app.exe, missing_app.exe and the DLLs beside them
#        /pathdir      pathonly.dll (x64): found through PATH
#        /wrongdir     pathonly.dll (x86): earlier in PATH, of the wrong machine
#        /system       shadowed.dll, a copy for System32 that the one in app/ shadows
#        /oracle_modules.exe
set -euo pipefail
source_dir="$1" out="$2" gcc="$3" gcc32="$4" dlltool="$5" windres="$6" python="$7"
objects="$out/objects"
rm -rf "$out"
mkdir -p "$objects" "$out/app" "$out/pathdir" "$out/wrongdir" "$out/system"
# No time stamps, so every build writes the same bytes.
flags=(-Os -s -Wl,--no-insert-timestamp)

value_dll() {  # compiler output name value [more arguments]
    local compiler="$1" output="$2" name="$3" value="$4"
    shift 4
    "$compiler" "${flags[@]}" -shared "-DNAME=$name" "-DVALUE=$value" "$source_dir/value_dll.c" "$@" -o "$output"
}

value_dll "$gcc" "$out/app/shadowed.dll" shadowed 1 -Wl,--out-implib,"$objects/libshadowed.a"
value_dll "$gcc" "$out/system/shadowed.dll" shadowed 100
value_dll "$gcc" "$out/pathdir/pathonly.dll" pathonly 2 -Wl,--out-implib,"$objects/libpathonly.a"
value_dll "$gcc32" "$out/wrongdir/pathonly.dll" pathonly 2
value_dll "$gcc" "$out/app/fwd3.dll" forwarded 3
value_dll "$gcc" "$out/app/fwd2.dll" unused 0 "$source_dir/fwd2.def"
value_dll "$gcc" "$out/app/fwd1.dll" unused 0 "$source_dir/fwd1.def"
value_dll "$gcc" "$out/app/delayed.dll" delayed 5

"$dlltool" -d "$source_dir/fwd1_imports.def" -l "$objects/libfwd1.a"
"$dlltool" -d "$source_dir/apiset_imports.def" -l "$objects/libapiset.a"
"$dlltool" -d "$source_dir/nowhere_imports.def" -l "$objects/libnowhere.a"
"$dlltool" -d "$source_dir/delayed_imports.def" -y "$objects/libdelayed.a"

"$windres" --include-dir "$source_dir" -i "$source_dir/sxsuser.rc" -o "$objects/sxsuser.res.o"
"$gcc" "${flags[@]}" -shared "$source_dir/sxsuser.c" "$objects/sxsuser.res.o" -lcomctl32 \
    -o "$out/app/sxsuser.dll" -Wl,--out-implib,"$objects/libsxsuser.a"

# The API set import library comes first, so Sleep is taken from the contract.
"$gcc" "${flags[@]}" "$source_dir/oracle_app.c" "$objects/libapiset.a" "$objects/libshadowed.a" \
    "$objects/libpathonly.a" "$objects/libfwd1.a" "$objects/libsxsuser.a" "$objects/libdelayed.a" \
    -o "$out/app/oracle_app.exe"
"$python" "$source_dir/set_delay_directory.py" "$out/app/oracle_app.exe" delayed.dll
"$gcc" "${flags[@]}" "$source_dir/missing_app.c" "$objects/libnowhere.a" -o "$out/app/missing_app.exe"
"$gcc" "${flags[@]}" "$source_dir/oracle_modules.c" -lpsapi -o "$out/oracle_modules.exe"
rm -rf "$objects"
