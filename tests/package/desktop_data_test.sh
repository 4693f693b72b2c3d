#!/bin/bash
# The desktop entry, the file types and the AppStream data pass their tools' checks, and the
# entry names only types that exist.
#   desktop_data_test.sh PACKAGING_SOURCE_DIR PROJECT_VERSION
set -euo pipefail
source_dir=$1
version=$2
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

desktop-file-validate "$source_dir/framewright.desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic "$source_dir/com.tarnwell.framewright.metainfo.xml" || fail "metainfo"
xmllint --noout "$source_dir/framewright-mime.xml" || fail "MIME types"

# The AppStream release list keeps up with the project's version.
grep -q "<release version=\"$version\"" "$source_dir/com.tarnwell.framewright.metainfo.xml" ||
    fail "metainfo has no release $version"

# Every type the entry claims is ours or the system's; ours are all claimed but the settings
# files, which the program does not open.
ours=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$source_dir/framewright-mime.xml")
claimed=$(sed -n 's/^MimeType=//p' "$source_dir/framewright.desktop" | tr ';' '\n' | grep .)
for type in $claimed; do
    grep -qx "$type" <<<"$ours" || grep -q "type=\"$type\"" /usr/share/mime/packages/freedesktop.org.xml ||
        fail "the desktop entry claims $type, which no MIME package defines"
done
for type in $ours; do
    [[ $type == application/x-framewright-ips ]] && continue
    grep -qx "$type" <<<"$claimed" || fail "the desktop entry does not claim $type"
done

if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "desktop entry, MIME types and metainfo are valid"
