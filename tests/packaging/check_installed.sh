#!/usr/bin/env bash
# Checks an installed copy of the program under PREFIX (a temporary prefix, or
# /usr after installing the Debian package):
#   - every file the desktop needs is there;
#   - the desktop entry and the AppStream data pass their validators, and they
#     name the icon, the desktop entry and the version that are installed;
#   - the installed program, launched through its desktop entry from an empty
#     folder, finds its records template under the prefix and shows the
#     shipped title, with the window class the desktop entry names and an
#     icon;
#   - a copy of the program outside any prefix does not find it, so the run
#     above proves the prefix lookup.
# The window checks run on the xcb platform under Xvfb: the offscreen platform
# has no window system that another process could read the title from.
set -euo pipefail

prefix=${1:?usage: check_installed.sh PREFIX}
app_id=com.brenmoor.brenmoor5082
title="Brenmoor 5082 Interface Program _Ver: 2.02"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

# --- Files -------------------------------------------------------------------
expected_files=(
    bin/brenmoor5082
    bin/brenmoor5082-log
    share/brenmoor5082/Rk40vdb.DB
    share/applications/$app_id.desktop
    share/icons/hicolor/scalable/apps/$app_id.svg
    share/metainfo/$app_id.metainfo.xml
    lib/udev/rules.d/70-brenmoor5082.rules
    share/man/man1/brenmoor5082.1.gz
    share/man/man1/brenmoor5082-log.1.gz
)
for f in "${expected_files[@]}"; do
    [ -f "$prefix/$f" ] && pass "installed $f" || fail "missing $prefix/$f"
done
[ -x "$prefix/bin/brenmoor5082" ] || fail "$prefix/bin/brenmoor5082 is not executable"
# The template is found in the data folder, never beside the executable.
[ ! -e "$prefix/bin/Rk40vdb.DB" ] || fail "the records template is installed in bin"

desktop=$prefix/share/applications/$app_id.desktop
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
program=$prefix/bin/brenmoor5082
[ -f "$desktop" ] && [ -f "$metainfo" ] && [ -x "$program" ] || {
    echo "$failures failure(s)"
    exit 1
}

# --- Validators --------------------------------------------------------------
echo "\$ desktop-file-validate $desktop"
if desktop-file-validate "$desktop"; then pass "desktop-file-validate"; else fail "desktop-file-validate"; fi
echo "\$ appstreamcli validate --no-net $metainfo"
if appstreamcli validate --no-net "$metainfo"; then pass "appstreamcli validate"; else fail "appstreamcli validate"; fi

desktop_key() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
icon=$(desktop_key Icon)
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] && pass "the desktop entry's icon $icon is installed" \
    || fail "the desktop entry's icon '$icon' is not installed"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
    && pass "the AppStream data launches the installed desktop entry" \
    || fail "the AppStream data does not launch $app_id.desktop"

# --- One version -------------------------------------------------------------
version_line=$(env -u DISPLAY QT_QPA_PLATFORM=offscreen "$program" --version)
version=${version_line#brenmoor5082 }
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
man_version=$(zcat "$prefix/share/man/man1/brenmoor5082.1.gz" | sed -n 's/^\.TH .*"brenmoor5082 \([^"]*\)".*/\1/p')
echo "--version: $version_line; AppStream release: $release; manual page: $man_version"
[ -n "$version" ] && [ "$version" = "$release" ] && [ "$version" = "$man_version" ] \
    && pass "one version everywhere" || fail "the versions differ"

# --- The installed program on a display --------------------------------------
# Runs a command from an empty folder on a fresh X server and prints, once the
# program's first window is shown and start-up has settled, one line per
# visible window: its class, whether it has an icon, and its title.
windows_of() {
    local empty
    empty=$(mktemp -d)
    (
        cd "$empty"
        env -u QT_QPA_PLATFORM HOME="$empty" XDG_RUNTIME_DIR="$empty" xvfb-run -a -s "-screen 0 900x650x24" \
            bash -c '
                "$@" >/dev/null 2>&1 &
                pids=$!
                timeout 60 xdotool search --sync --onlyvisible --class brenmoor5082 >/dev/null || true
                sleep 2
                for w in $(xdotool search --onlyvisible --class brenmoor5082 2>/dev/null); do
                    class=$(xprop -id "$w" WM_CLASS | sed -n "s/.*, \"\(.*\)\"$/\1/p")
                    icon=$(xprop -id "$w" _NET_WM_ICON | head -c 40 | grep -q "Icon" && echo icon || echo no-icon)
                    name=$(xprop -id "$w" _NET_WM_NAME | sed -n "s/^[^\"]*\"\(.*\)\"$/\1/p")
                    printf "%s\t%s\t%s\n" "$class" "$icon" "$name"
                    pids="$pids $(xdotool getwindowpid "$w" 2>/dev/null)"
                done
                kill $pids 2>/dev/null || true
                wait 2>/dev/null || true
            ' windows "$@"
    )
    rm -rf "$empty"
}

# Started cleanly: the main window alone (a second window is a message box),
# titled exactly as shipped.
started_cleanly() {
    [ "$(grep -c . <<<"$1")" -eq 1 ] && [ "$(cut -f3 <<<"$1")" = "$title" ]
}

# Started as the menu does: through the desktop entry, its Exec found on PATH.
seen=$(windows_of env PATH="$prefix/bin:$PATH" gio launch "$desktop")
echo "windows of the installed program, launched through its desktop entry (class, icon, title):"
echo "${seen:-none}" | sed 's/^/  /'
if started_cleanly "$seen"; then
    pass "the installed program found its template and shows \"$title\""
else
    fail "the installed program did not start cleanly"
fi
IFS=$'\t' read -r class has_icon _ <<<"$(head -n 1 <<<"$seen")"
wm_class=$(desktop_key StartupWMClass)
[ "$class" = "$wm_class" ] && pass "window class $class is the desktop entry's StartupWMClass" \
    || fail "window class '$class' differs from StartupWMClass '$wm_class'"
[ "$has_icon" = icon ] && pass "the window has an icon" || fail "the window has no icon"

alone=$(mktemp -d)
mkdir "$alone/bin"
cp "$program" "$alone/bin/"
seen=$(windows_of "$alone/bin/brenmoor5082")
rm -rf "$alone"
echo "windows of a copy outside the prefix:"
echo "${seen:-none}" | sed 's/^/  /'
if started_cleanly "$seen"; then
    fail "a copy outside the prefix started as if it had found the template"
else
    pass "a copy outside the prefix does not find the template"
fi

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
