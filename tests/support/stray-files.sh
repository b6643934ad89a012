#!/usr/bin/env bash
# stray-files.sh stamp|check BUILD SOURCE
# "stamp" marks the start of a test run; "check" lists every file that
# appeared or changed in the build or source tree since then and fails when
# there is one. What ctest itself writes (its logs, the test lists that
# discovery produces) is not a test's doing, nor what a build does.
set -euo pipefail
mode=$1 build=$2 source=$3
stamp=$build/Testing/hygiene.stamp
case $mode in
stamp)
  mkdir -p "$build/Testing"
  touch "$stamp"
  ;;
check)
  [ -f "$stamp" ] || { echo "no stamp: run with ctest, which runs hygiene_stamp first"; exit 1; }
  stray=$(
    {
      # A build running beside the tests writes objects, libraries,
      # executables and CMake's own files: those are not a test's doing.
      find "$build" -newer "$stamp" -type f \
        -not -path "$build/Testing/*" -not -path '*/CMakeFiles/*' -not -path '*_autogen/*' \
        -not -name 'ctest.log' -not -name 'install_manifest*.txt' -not -name '*.cmake' -not -name 'CMakeCache.txt' -not -name 'Makefile' \
        -not -name '*.o' -not -name '*.d' -not -name '*.a' -not -name '*.ninja*' \
        -not \( -path "$build/bin/*" -perm -u+x \) -print
      # The source tree: files git does not know of (the build folder and
      # ignored files aside), touched during the run.
      if git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git -C "$source" ls-files --others --exclude-standard -z |
          while IFS= read -r -d '' f; do
            case "$source/$f" in "$build"/*) continue ;; esac
            if [ "$source/$f" -nt "$stamp" ]; then echo "$source/$f"; fi
          done
      fi
    } | sort -u
  )
  if [ -n "$stray" ]; then
    echo "files left by the tests:"
    echo "$stray"
    exit 1
  fi
  echo "no stray files"
  ;;
*) echo "usage: stray-files.sh stamp|check BUILD SOURCE" >&2; exit 2 ;;
esac
