# Whether this machine's kernel runs 32-bit x86 programs. Sourced, not run.
# Some hosts (virtual machines without IA-32 emulation) run 64-bit code only; 32-bit Wine is of no
# use there even when it installs. RW_KERNEL_32BIT=yes|no overrides the probe (tests of the scripts).

# A static 32-bit program that only exits, made with the assembler every compiler brings.
rw_kernel_runs_32bit() {
  case "${RW_KERNEL_32BIT:-}" in
  yes) return 0 ;;
  no) return 1 ;;
  esac
  local dir code=1
  dir=$(mktemp -d /tmp/rw-arch.XXXXXX) || return 1
  if printf '.globl _start\n_start:\n  movl $1, %%eax\n  xorl %%ebx, %%ebx\n  int $0x80\n' |
    as --32 -o "$dir/exit.o" - 2>/dev/null &&
    ld -m elf_i386 -o "$dir/exit" "$dir/exit.o" 2>/dev/null; then
    "$dir/exit" 2>/dev/null && code=0
  fi
  rm -rf "$dir"
  return $code
}
