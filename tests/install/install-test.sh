#!/usr/bin/env bash
# install-test.sh BUILD: installs the build into a temporary prefix and runs
# the installed programs from there, far from the build tree. An installed
# program keeps its data in the user's data folder whoever runs it: bin/ is
# left writable (as /usr/bin is for root, who runs the suite here), and
# nothing may land beside the programs. A portable copy (a folder with
# ДАННЫЕ beside the executable) keeps its data there.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/pim bin/pimctl bin/pimsim share/applications/pim.desktop share/icons/hicolor/scalable/apps/pim.svg; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
grep -qx 'Exec=pim' "$prefix/share/applications/pim.desktop" || { echo "the desktop entry does not start pim"; exit 1; }
mkdir -p "$tmp/home" "$tmp/run"
cd "$tmp/run"
data=$tmp/home/data/pim
# A sanitized build's options pass through, so its reports are counted.
run() {
  local program=$1
  shift
  env -i PATH=/usr/bin:/bin HOME="$tmp/home" XDG_DATA_HOME="$tmp/home/data" QT_QPA_PLATFORM=offscreen \
    ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} \
    ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} "$program" "$@"
}
only_programs_in_bin() {
  [ "$(ls -A "$prefix/bin" | sort | tr '\n' ' ')" = "pim pimctl pimsim $*" ] ||
    { echo "files left in bin:"; ls -AR "$prefix/bin"; exit 1; }
}
# The installed pimctl reaches the imitation of a 238 (whose state request
# the imitation only echoes, so the state is read from a 229's).
out=$(run "$prefix/bin/pimctl" --imitation 238 identify)
grep -q 'ПИМ-238' <<<"$out" || { echo "no identity of the imitated 238: $out"; exit 1; }
out=$(run "$prefix/bin/pimctl" --imitation 229 state)
grep -q 'ПИМ-229' <<<"$out" || { echo "no state of the imitated 229: $out"; exit 1; }
# The state's byte dump lies in the user's data folder, nowhere else, and
# the help says where.
[ -f "$data/ДАННЫЕ/ТРАССА/байты состояния" ] || { echo "no dump in $data/ДАННЫЕ/ТРАССА"; ls -AR "$tmp/home"; exit 1; }
[ -z "$(ls -A "$tmp/run")" ] || { echo "files left in the current folder:"; ls -A "$tmp/run"; exit 1; }
run "$prefix/bin/pimctl" --help | grep -qF "$data/ДАННЫЕ/ТРАССА" || { echo "the help does not name the trace folder"; exit 1; }
only_programs_in_bin
# The window's settings go to the user's data folder too, even with a
# ДАННЫЕ that an older version left beside the programs.
mkdir "$prefix/bin/ДАННЫЕ"
run "$prefix/bin/pim" --demo quit
[ -f "$data/ДАННЫЕ/ПАМЯТЬ.mem" ] || { echo "the window's settings are not in $data/ДАННЫЕ"; ls -AR "$tmp/home"; exit 1; }
[ -z "$(ls -A "$prefix/bin/ДАННЫЕ")" ] || { echo "the window wrote beside the installed programs"; ls -AR "$prefix/bin"; exit 1; }
rmdir "$prefix/bin/ДАННЫЕ"
only_programs_in_bin
# --trace names the folder of the traces.
run "$prefix/bin/pimctl" --imitation 229 --trace "$tmp/traces" state >/dev/null
[ -f "$tmp/traces/байты состояния" ] || { echo "no dump in --trace's folder"; exit 1; }
# A portable copy keeps its data beside itself.
mkdir -p "$tmp/portable/ДАННЫЕ"
cp "$prefix/bin/pimctl" "$tmp/portable/"
run "$tmp/portable/pimctl" --imitation 229 state >/dev/null
[ -f "$tmp/portable/ДАННЫЕ/ТРАССА/байты состояния" ] || { echo "the portable copy keeps no data beside itself"; ls -AR "$tmp/portable"; exit 1; }
echo "installed programs keep their data in $data"
