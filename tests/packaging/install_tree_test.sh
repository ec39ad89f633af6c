#!/usr/bin/env bash
# Installs the build into a temporary prefix with cmake --install and checks
# the installed tree as a desktop would find it.
set -euo pipefail

cmake=${1:?usage: install_tree_test.sh CMAKE BUILD_DIR WORK_DIR}
build_dir=${2:?}
work=${3:?}
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
prefix=$work/root/usr
"$cmake" --install "$build_dir" --prefix "$prefix" >/dev/null

status=0
# Every installed executable has its manual page.
for exe in "$prefix"/bin/*; do
    page=$prefix/share/man/man1/$(basename "$exe").1.gz
    [ -f "$page" ] && echo "ok: $(basename "$exe") has a manual page" \
        || { echo "FAIL: no manual page $page"; status=1; }
done
# The tree as a whole: the AppStream data against the desktop entry it names.
echo "\$ appstreamcli validate-tree --no-net $work/root"
appstreamcli validate-tree --no-net "$work/root" || status=1

"$here/check_installed.sh" "$prefix" || status=1
rm -rf "$work"
exit "$status"
