# The Debian package: Debian's checker finds nothing to say, not even a note;
# unpacked into a temporary root, its program answers the command line without a display, and
# started with a fresh home the first start makes the user's settings and folders, says where
# they are, and the main window shows the watched folder.
source "$(dirname "$0")/lib.sh"

for tool in dpkg-deb dpkg-shlibdeps appstreamcli desktop-file-validate lintian; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is missing (scripts/deps)"; exit 77; }
done

"${VARNDEL_CPACK:-cpack}" -G DEB --config "$VARNDEL_BUILD_DIR/CPackConfig.cmake" \
  -B "$E2E_ROOT/package" > "$E2E_ROOT/cpack.log" 2>&1 || fail "cpack: $(cat "$E2E_ROOT/cpack.log")"
package=$(ls "$E2E_ROOT"/package/varndel_*_amd64.deb) || fail "no varndel_<version>_amd64.deb"
dpkg-deb -f "$package" Depends | grep -q libqt6widgets6 ||
  fail "the dependencies were not worked out: $(dpkg-deb -f "$package" Depends)"
root=$E2E_ROOT/root
dpkg-deb -x "$package" "$root"
entry=$root/usr/share/applications/io.github.varndel.Varndel.desktop
metainfo=$root/usr/share/metainfo/io.github.varndel.Varndel.metainfo.xml
doc=$root/usr/share/doc/varndel
for file in "$root/usr/bin/varndel" "$root/usr/share/varndel/Config.ini.template" "$entry" \
  "$root/usr/share/icons/hicolor/32x32/apps/varndel.png" "$metainfo" "$doc/copyright" \
  "$doc/changelog.gz" "$doc/Leeme.txt" "$doc/guia.md" "$doc/img/principal.png" \
  "$root/usr/share/man/man1/varndel.1.gz"; do
  [ -e "$file" ] || fail "the package lacks ${file#"$root"}"
done
# A program that speaks only Spanish has its Spanish page in man1 alone.
[ ! -e "$root/usr/share/man/es" ] || fail "the manual page is installed twice"
desktop-file-validate "$entry" || fail "the desktop entry is not valid"
appstreamcli validate --no-net "$metainfo" || fail "the AppStream metainfo is not valid"

# Each tag lintian is told to accept carries a one-line reason on the line above it.
overrides=$root/usr/share/lintian/overrides/varndel
if [ -e "$overrides" ]; then
  unexplained=$(awk '/^[^#[:space:]]/ && previous !~ /^# ./ { print } { previous = $0 }' \
    "$overrides")
  [ -z "$unexplained" ] || fail "lintian overrides without a reason: $unexplained"
fi
lintian -I --fail-on error,warning "$package" > "$E2E_ROOT/lintian.log" ||
  fail "lintian: $(cat "$E2E_ROOT/lintian.log")"
[ ! -s "$E2E_ROOT/lintian.log" ] || fail "lintian -I: $(cat "$E2E_ROOT/lintian.log")"

version=$(dpkg-deb -f "$package" Version)
zcat "$doc/changelog.gz" | head -n 1 | grep -qF "varndel ($version) " ||
  fail "the changelog's last entry is not version $version"

# Arguments, exit status, stream and a pattern of its first line; no display to open.
missing=$E2E_ROOT/falta.ini
while IFS='|' read -r arguments status stream first; do
  read -ra words <<< "$arguments"
  got=0
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/varndel" "${words[@]}" \
    > "$E2E_ROOT/stdout" 2> "$E2E_ROOT/stderr" || got=$?
  [ "$got" = "$status" ] || fail "varndel $arguments ended with $got: $(cat "$E2E_ROOT/stderr")"
  line=$(head -n 1 "$E2E_ROOT/$stream")
  [[ $line =~ $first ]] || fail "varndel $arguments printed '$line' on $stream"
done << CASES
--version|0|stdout|^Varndel ${version}$
--help|0|stdout|^Uso: .*varndel \[opciones\]$
--nada|2|stderr|^Opción desconocida «--nada»\.$
--config|2|stderr|«--config»
--config $missing|2|stderr|^El archivo de configuración «$missing» no existe\.$
suelto|2|stderr|^Argumento inesperado «suelto»
|1|stderr|^Varndel necesita una sesión gráfica
CASES

export HOME=$E2E_ROOT/home XDG_CONFIG_HOME=$E2E_ROOT/config
mkdir -p "$HOME/Imágenes"
settings=$XDG_CONFIG_HOME/varndel/Config.ini
watched=$HOME/Imágenes/Varndel/Capturas
start_varndel "$root/usr/bin/varndel"

# The notice comes before the splash, once the settings and the folders are made.
notice=$(wait_window Varndel 8) || fail "no first-start notice within 8 s"
grep -qxF "Dir1=$watched" "$settings" || fail "$settings lacks Dir1=$watched"
grep -qxF "Dir2=$HOME/Imágenes/Varndel/Lotes" "$settings" || fail "$settings lacks the save folder"
[ -d "$watched" ] && [ -d "$HOME/Imágenes/Varndel/Lotes" ] || fail "the two folders were not made"
xdotool windowfocus --sync "$notice"
xdotool key Return
notice_gone() { ! xdotool search --onlyvisible --name '^Varndel$' | grep -qx "$notice"; }
wait_for 5 notice_gone || fail "the first window is no notice: Return left it open"

main=$(wait_window Varndel 8) || fail "no main window after the notice"
sleep 1  # let the first status tick paint the panels
xdotool search --onlyvisible --name '^ERROR$' > /dev/null && fail "the start reported an error"
read -r left top < <(window_origin "$main")
shot=$E2E_ROOT/main.png
screenshot "$shot"
[ "$(pixel "$shot" $((left + 6)) $((top + 160)))" = "224,224,224" ] || fail "no main window"
# The label that shows the watched folder holds dark text.
darkest=$(convert "$shot" -crop 249x50+$((left + 24))+$((top + 96)) -colorspace Gray \
  -format '%[fx:int(255*minima)]' info:)
[ "$darkest" -lt 100 ] || fail "the main window does not show the watched folder"
echo "package scenario passed"
