#!/usr/bin/env bash
# A maintainer's check that the README's commands work on a fresh system: builds a minimal root file
# system of a Debian release (debootstrap --variant=minbase), installs only git and make in it, clones
# this repository's HEAD into it and runs `make test` inside, as a new user would. It downloads a whole
# system, so it is not part of `make test` or CI.
#
#   scripts/check-fresh-debian.sh RELEASE [WORKDIR]     RELEASE: bookworm (Debian 12) or trixie (13)
#
# The root lies in WORKDIR/RELEASE (default /var/tmp/threadwick-fresh). With KEEP_ROOT=1 an existing
# root is used again and only the clone is fresh (to test a later commit without downloading the
# system again); by default the root is made anew. The log of the run is WORKDIR/RELEASE.log.
set -euo pipefail

release=${1:?usage: $0 bookworm|trixie [WORKDIR]}
work=${2:-/var/tmp/threadwick-fresh}
mirror=${MIRROR:-http://deb.debian.org/debian}
repo=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)

if [ "$(id -u)" -ne 0 ]; then exec sudo -E "$0" "$@"; fi
command -v debootstrap >/dev/null || { apt-get update -qq && apt-get install -y -qq debootstrap; }

root=$work/$release
log=$work/$release.log
mkdir -p "$work"

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
}
trap cleanup EXIT
mount_in() { # mount_in TARGET mount-arguments...
  local target=$1; shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounted+=("$target")
}
in_root() { chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 "${extra_env[@]}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

exec > >(tee "$log") 2>&1
echo "== $release: $(date -u '+%F %T') from $(git -C "$repo" rev-parse --short HEAD)"
if [ "${KEEP_ROOT:-0}" != 1 ] || [ ! -x "$root/usr/bin/apt-get" ]; then
  if grep -q " $root/" /proc/mounts; then echo "Something is still mounted inside $root; unmount it first." >&2; exit 1; fi
  rm -rf --one-file-system "$root"
  debootstrap --variant=minbase "$release" "$root" "$mirror"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
# A network that inspects TLS (a company proxy) has its certificate authority installed locally on this
# machine; the root gets the same trust, or npm could not reach its registry from there.
extra_env=()
if compgen -G '/usr/local/share/ca-certificates/*.crt' >/dev/null; then
  mkdir -p "$root/usr/local/share/ca-certificates"
  cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
  extra_env=(NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt)
fi
mount_in "$root/proc" -t proc proc
mount_in "$root/dev" --bind /dev
mount_in "$root/dev/pts" --bind /dev/pts
mount_in "$root/dev/shm" -t tmpfs -o mode=1777 shm

# What the README asks of a fresh system, and nothing more.
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends git make

# Installing the ca-certificates package (which the install script pulls in) picks up the local
# authorities; a root kept from an earlier run has it already and needs telling.
if [ -x "$root/usr/sbin/update-ca-certificates" ]; then in_root update-ca-certificates >/dev/null; fi

rm -rf "$root/src/threadwick"
mkdir -p "$root/src"
git clone -q --no-local "$repo" "$root/src/threadwick"
in_root bash -c 'cd /src/threadwick && make test'
echo "== $release: passed $(date -u '+%F %T')"
