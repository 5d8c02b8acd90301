# shellcheck shell=bash
# Sourced by scripts/setup.sh and tests/windows/wine_env.sh: wine's 32-bit
# loader, which runs the x86 DLL. A kernel without IA-32 emulation runs no
# 32-bit programs; there the loader runs under qemu-user-static, registered
# for i386 ELF programs through binfmt_misc.

tasc_wine32=/usr/lib/wine/wine
tasc_binfmt=/proc/sys/fs/binfmt_misc
tasc_qemu_i386=/usr/bin/qemu-i386-static
# The usual i386 ELF magic and mask (executables and shared objects). F opens
# the interpreter when registering, so it also serves namespaces and chroots.
tasc_i386_binfmt=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$tasc_qemu_i386"':F'

# Whether wine's 32-bit loader runs here (natively or under emulation).
wine32_runs() {
  [ -x "$tasc_wine32" ] && "$tasc_wine32" --version >/dev/null 2>&1
}

# Whether the 32-bit loader runs under qemu-user emulation here.
wine32_emulated() {
  [ -e "$tasc_binfmt/qemu-i386" ] && grep -qx enabled "$tasc_binfmt/qemu-i386" 2>/dev/null
}

# wine32_enable [check]: makes wine32_runs true where the kernel runs no i386
# programs, by registering qemu-i386-static (mounting binfmt_misc first when
# it is not). Registers nothing when the loader runs already. Returns 1 when
# it cannot, with the reason, one line, in wine32_why. With "check" it changes
# nothing and only finds the reason.
wine32_enable() {
  wine32_why=
  wine32_runs && return 0
  local check=${1:-} why= no32="this kernel runs no 32-bit programs"
  if [ ! -x "$tasc_wine32" ]; then
    why="wine's 32-bit loader (Debian package wine32:i386) is not installed"
  elif [ -e "$tasc_binfmt/qemu-i386" ]; then
    why="qemu-i386 is registered in $tasc_binfmt but wine's 32-bit loader still does not run"
  elif [ ! -x "$tasc_qemu_i386" ]; then
    why="$no32 and qemu-user-static is not installed"
  elif [ "$(id -u)" -ne 0 ]; then
    why="$no32, and registering qemu-i386 for them needs root"
  elif [ ! -e "$tasc_binfmt/register" ] &&
       { [ "$check" = check ] || ! mount -t binfmt_misc binfmt_misc "$tasc_binfmt" 2>/dev/null; }; then
    why="$no32 and binfmt_misc is not mounted on $tasc_binfmt (mount -t binfmt_misc failed)"
  elif [ "$check" = check ] || ! printf '%s' "$tasc_i386_binfmt" 2>/dev/null >"$tasc_binfmt/register"; then
    why="$no32 and qemu-i386 is not registered in $tasc_binfmt (the registration failed)"
  elif ! wine32_runs; then
    why="wine's 32-bit loader does not run under qemu-i386"
  fi
  wine32_why=$why
  [ -z "$why" ]
}
