#!/usr/bin/env bash
# File systems whose names ignore letter case, mounted for a test in WORKDIR/mnt:
#   exfat       exFAT through exfat-fuse on a loop device, as on a music player's card, and
#               as FAT, SMB and some NTFS mounts behave: names keep the case they are given
#   lower-case  lower_case_fs.py through FUSE: names are kept in lower case whatever they are
#               given, as FAT without long names does
# Usage: case_mount.sh mount KIND WORKDIR  prints the mount point; exits 77 with "SKIP: reason"
#                                          where this machine cannot mount it
#        case_mount.sh unmount WORKDIR     unmounts, and detaches the loop device, if any
set -u
skip() {
  echo "SKIP: $*"
  exit 77
}

mount_exfat() {
  for tool in mkfs.exfat mount.exfat-fuse losetup; do
    command -v "$tool" >/dev/null || skip "no $tool (Debian's exfatprogs, exfat-fuse)"
  done
  truncate -s 16M "$work/exfat.img" && mkfs.exfat "$work/exfat.img" >/dev/null ||
    { echo "mkfs.exfat failed" >&2; exit 1; }
  local device why
  device=$(losetup -f --show "$work/exfat.img" 2>&1) || skip "no loop device: $device"
  echo "$device" >"$work/loop-device"
  if ! why=$(mount.exfat-fuse "$device" "$work/mnt" 2>&1); then
    losetup -d "$device"
    rm -f "$work/loop-device"
    skip "cannot mount exFAT through FUSE: $why"
  fi
}

mount_lower_case() {
  local why
  /usr/bin/python3 -c 'import fusepy' 2>/dev/null || skip "no fusepy (Debian's python3-fusepy)"
  mkdir -p "$work/backing"
  why=$(/usr/bin/python3 "$(dirname "$0")/lower_case_fs.py" "$work/backing" "$work/mnt" 2>&1) ||
    skip "cannot mount through FUSE: $why"
}

case $1 in
mount)
  kind=$2 work=$3
  [ "$(id -u)" -eq 0 ] || skip "mounting needs root"
  [ -c /dev/fuse ] || skip "no /dev/fuse"
  mkdir -p "$work/mnt"
  case $kind in
  exfat) mount_exfat ;;
  lower-case) mount_lower_case ;;
  *) echo "unknown kind: $kind" >&2 && exit 2 ;;
  esac
  echo "$work/mnt"
  ;;
unmount)
  work=$2
  if mountpoint -q "$work/mnt"; then
    # A FUSE daemon may still be closing files: try again a few times.
    for _ in 1 2 3 4 5; do
      umount "$work/mnt" 2>/dev/null && break
      sleep 0.2
    done
    mountpoint -q "$work/mnt" && umount -l "$work/mnt"
  fi
  if [ -f "$work/loop-device" ]; then
    losetup -d "$(cat "$work/loop-device")"
    rm -f "$work/loop-device"
  fi
  ;;
esac
