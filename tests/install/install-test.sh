#!/usr/bin/env bash
# install-test.sh BUILD: installs the build into a temporary prefix and runs
# the installed pimctl from there, far from the build tree; the data folder
# is the user's application data folder where bin/ is not writable.
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
chmod a-w "$prefix/bin"
mkdir -p "$tmp/home" "$tmp/run"
cd "$tmp/run"
# A sanitized build's options pass through, so its reports are counted.
run() {
  env -i PATH=/usr/bin:/bin HOME="$tmp/home" XDG_DATA_HOME="$tmp/home/data" \
    ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} \
    ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} "$prefix/bin/pimctl" "$@"
}
# The installed pimctl reaches the imitation of a 238 (whose state request
# the imitation only echoes, so the state is read from a 229's).
out=$(run --imitation 238 identify)
grep -q 'ПИМ-238' <<<"$out" || { echo "no identity of the imitated 238: $out"; exit 1; }
out=$(run --imitation 229 state)
grep -q 'ПИМ-229' <<<"$out" || { echo "no state of the imitated 229: $out"; exit 1; }
# Nothing lands beside the installed programs (the state's byte dump is
# written to the current folder, as a reading from the command line does).
[ "$(ls -A "$prefix/bin" | sort | tr '\n' ' ')" = "pim pimctl pimsim " ] || { echo "files left in bin:"; ls -A "$prefix/bin"; exit 1; }
