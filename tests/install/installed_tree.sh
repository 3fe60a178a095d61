#!/bin/sh
# installed_tree.sh PREFIX FOLDER...
# Lists the files of the installed tree in PREFIX (the build type in the
# names of the CMake targets files masked) and fails when one of its CMake
# or pkg-config files names one of the absolute FOLDERs.
prefix=$1
shift
cd "$prefix" || exit 2
find . -type f | sed -E 's/-targets-[a-z]+\.cmake$/-targets-CONFIG.cmake/' | LC_ALL=C sort
status=0
for folder in "$@"; do
  if grep -rlF "$folder" lib/cmake lib/pkgconfig; then
    echo "the files above name $folder"
    status=1
  fi
done
exit $status
