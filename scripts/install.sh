#!/usr/bin/env bash
# Installs Threadwick for the current user as a self-contained application directory, removes it
# again, or packs that directory into a tarball. No root needed: everything goes under the user's
# home (or PREFIX) and the user's XDG data directory.
#   install.sh install   BUILD_DIR [PREFIX]   the program, help, icon, default templates; menu entry
#   install.sh uninstall [PREFIX]             removes what install added; the user's data files stay
#   install.sh dist      BUILD_DIR OUT_DIR    OUT_DIR/threadwick-VERSION-linux-ARCH.tar.gz
# PREFIX defaults to ~/.local/opt/threadwick. The program keeps its data files beside the executable,
# so the directory must stay writable by the user.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
data_home=${XDG_DATA_HOME:-$HOME/.local/share}
# One application id names the menu entry, the software centre's description and the icon.
app_id=io.github.threadwick.Threadwick
desktop_file=$data_home/applications/$app_id.desktop
metainfo_file=$data_home/metainfo/$app_id.metainfo.xml
icon_file=$data_home/icons/hicolor/scalable/apps/$app_id.svg
# Earlier versions named the menu entry and icon "threadwick"; they are replaced on install.
old_desktop_file=$data_home/applications/threadwick.desktop
old_icon_file=$data_home/icons/hicolor/scalable/apps/threadwick.svg
# The list of files install put into the application directory, with their checksums, so uninstall
# removes exactly those and leaves a template file the user changed.
manifest_name=.threadwick-install

die() { echo "install.sh: $*" >&2; exit 1; }

absolute() { realpath -m -- "$1"; }

default_prefix() { echo "${HOME:?HOME is not set}/.local/opt/threadwick"; }

# Copies a file so that it replaces the old one in one step: a running program keeps its old
# executable and nobody sees a half-copied file.
put() { # SOURCE TARGET MODE
  local tmp
  tmp=$(mktemp "$2.XXXXXX")
  cp -f -- "$1" "$tmp"
  chmod "$3" "$tmp"
  mv -f -- "$tmp" "$2"
}

# Fills an application directory: program files are replaced, the templates only when missing.
# Prints the manifest lines ("checksum  name") of the files it placed.
stage() { # BUILD_DIR TARGET_DIR
  local build=$1 target=$2 name
  [ -x "$build/app/Threadwick" ] || die "no program at $build/app/Threadwick; build it first (make build)"
  mkdir -p -- "$target"
  put "$build/app/Threadwick" "$target/Threadwick" 755
  put "$here/resources/threadwick.svg" "$target/threadwick.svg" 644
  for name in help.html screenshot.png; do
    if [ -f "$build/app/$name" ]; then put "$build/app/$name" "$target/$name" 644; fi
  done
  if [ ! -e "$target/Formats.dat" ]; then put "$here/resources/demo/Formats.dat" "$target/Formats.dat" 644; fi
  (cd "$target" && for name in Threadwick threadwick.svg help.html screenshot.png; do
     if [ -f "$name" ]; then sha256sum -- "$name"; fi
   done)
  # Recorded as shipped, so an unchanged copy is recognised on uninstall even after a re-install.
  (cd "$here/resources/demo" && sha256sum -- Formats.dat)
}

# Quotes a path for an Exec line of a desktop entry: plain paths as they are, others in double
# quotes with the reserved characters escaped and "%" doubled (a lone one starts a field code), then
# every backslash doubled for the string type.
exec_quote() {
  if [[ $1 =~ ^[A-Za-z0-9/._+,:@=-]+$ ]]; then
    printf '%s' "$1"
  else
    local q=${1//\\/\\\\}
    q=${q//\"/\\\"}
    q=${q//\`/\\\`}
    q=${q//\$/\\\$}
    q=${q//%/%%}
    q="\"$q\""
    printf '%s' "${q//\\/\\\\}"
  fi
}

refresh_menus() {
  if command -v update-desktop-database >/dev/null 2>&1; then
    update-desktop-database -q "$data_home/applications" 2>/dev/null || true
  fi
  # Icon caches look at the theme directory's time stamp.
  if [ -d "$data_home/icons/hicolor" ]; then touch "$data_home/icons/hicolor"; fi
}

# Removes a menu entry and the files that go with it, when the entry starts the program in PREFIX.
remove_menu_entry() { # PREFIX DESKTOP_FILE OTHER_FILES...
  local prefix=$1 entry=$2
  shift 2
  if [ -f "$entry" ] && grep -qxF "Exec=$(exec_quote "$prefix/Threadwick")" "$entry"; then
    rm -f -- "$entry" "$@"
  fi
}

cmd_install() {
  local build=${1:?build directory} prefix=${2:-}
  [ -n "$prefix" ] || prefix=$(default_prefix)
  prefix=$(absolute "$prefix")
  case $prefix in *$'\n'*) die "the directory name must not contain a line break" ;; esac

  local manifest
  manifest=$(stage "$build" "$prefix")
  printf '%s\n' "$manifest" >"$prefix/$manifest_name"

  mkdir -p "$(dirname "$desktop_file")" "$(dirname "$icon_file")" "$(dirname "$metainfo_file")"
  put "$here/resources/threadwick.svg" "$icon_file" 644
  put "$here/resources/$app_id.metainfo.xml" "$metainfo_file" 644
  remove_menu_entry "$prefix" "$old_desktop_file" "$old_icon_file"
  local entry
  entry=$(mktemp)
  cat >"$entry" <<DESKTOP
[Desktop Entry]
Type=Application
Version=1.0
Name=Threadwick
GenericName=Forum Posting Assistant
Comment=Write a message once and post it to many web forums
Exec=$(exec_quote "$prefix/Threadwick")
Icon=$app_id
Terminal=false
Categories=Network;Office;
Keywords=forum;post;message;
StartupWMClass=Threadwick
DESKTOP
  put "$entry" "$desktop_file" 644
  rm -f -- "$entry"
  refresh_menus
  echo "Threadwick installed in $prefix"
  echo "Menu entry: $desktop_file"
}

cmd_uninstall() {
  local prefix=${1:-}
  [ -n "$prefix" ] || prefix=$(default_prefix)
  prefix=$(absolute "$prefix")
  local manifest=$prefix/$manifest_name

  if [ -f "$manifest" ]; then
    local sum name
    while read -r sum name; do
      [ -n "$name" ] || continue
      case $name in */* | . | ..) continue ;; esac # only plain names inside the directory
      if [ "$name" = Formats.dat ]; then
        # The templates are the user's once changed.
        if [ -f "$prefix/$name" ] && [ "$(sha256sum <"$prefix/$name" | cut -d' ' -f1)" = "$sum" ]; then
          rm -f -- "$prefix/$name"
        fi
      else
        rm -f -- "$prefix/$name"
      fi
    done <"$manifest"
    rm -f -- "$manifest"
    # The lock a copy holds on the data files while it runs (left behind by one that was killed) is
    # none of the user's data.
    rm -f -- "$prefix/Threadwick.lock"
    rmdir -- "$prefix" 2>/dev/null || echo "Kept $prefix: it holds your data files"
  else
    echo "No Threadwick installation found in $prefix"
  fi
  # The menu entry is removed only when it starts this installation.
  remove_menu_entry "$prefix" "$desktop_file" "$icon_file" "$metainfo_file"
  remove_menu_entry "$prefix" "$old_desktop_file" "$old_icon_file"
  refresh_menus
  echo "Threadwick uninstalled from $prefix"
}

cmd_dist() {
  local build=${1:?build directory} out=${2:?output directory}
  local version arch work name
  version=$(sed -n 's/^project(Threadwick VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
  arch=$(uname -m)
  name=threadwick-${version:-0}-linux-$arch
  mkdir -p -- "$out"
  out=$(absolute "$out")
  work=$(mktemp -d)
  trap 'rm -rf -- "$work"' RETURN
  stage "$build" "$work/threadwick" >/dev/null
  tar -C "$work" --owner=0 --group=0 --numeric-owner -czf "$out/$name.tar.gz.part" threadwick
  mv -f -- "$out/$name.tar.gz.part" "$out/$name.tar.gz"
  echo "$out/$name.tar.gz"
}

case ${1:-} in
  install) shift; cmd_install "$@" ;;
  uninstall) shift; cmd_uninstall "$@" ;;
  dist) shift; cmd_dist "$@" ;;
  *) die "usage: install.sh install BUILD_DIR [PREFIX] | uninstall [PREFIX] | dist BUILD_DIR OUT_DIR" ;;
esac
