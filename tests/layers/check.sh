#!/usr/bin/env bash
# The include graph of src/ runs one way, from the read entry points down:
# host -> containers, jpeg and parse -> makers -> exif, with io (the sources
# of bytes) under the containers and the JPEG scanner. A file may include
# headers of its own layer and of the layers below it, never of one above.
set -euo pipefail
src=${1:?usage: check.sh SRC_DIR}
declare -A below=([host]="host containers io jpeg parse exif" [containers]="containers io exif"
                  [jpeg]="jpeg io exif" [parse]="parse makers exif" [makers]="makers exif" [io]="io" [exif]="exif"
                  [vary]="vary" [getopt]="getopt")
status=0
while IFS= read -r file; do
  layer=${file#"$src"/}
  layer=${layer%%/*}
  [ -n "${below[$layer]:-}" ] || { echo "unknown layer: $file"; status=1; continue; }
  while IFS= read -r used; do
    [[ " ${below[$layer]} " == *" $used "* ]] || { echo "$file includes $used/, a layer above its own"; status=1; }
  done < <(sed -n 's|^#include "\([a-z]*\)/.*"|\1|p' "$file" | grep -v '^exifkit$' | sort -u)
done < <(find "$src" -name '*.cc' -o -name '*.h' | sort)
[ $status = 0 ] && echo "include graph: one way"
exit $status
