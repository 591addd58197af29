# Sourced: kernel_runs_i386 answers whether this kernel runs 32-bit x86
# programs, without anything 32-bit installed: it runs a 93-byte i386 ELF
# that only exits with status 7 through the 32-bit system call gate. Some
# hypervisors offer no 32-bit user mode; there Wine's 32-bit loader cannot
# start, so neither the i386 packages nor the 32-bit Wine are of any use.
kernel_runs_i386() {
  local dir status=0
  dir=$(mktemp -d) || return 1
  # ELF header, one loadable segment, then: mov eax,1; mov bl,7; int 0x80.
  printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
    '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' \
    '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xb3\x07\xcd\x80' > "$dir/probe"
  chmod +x "$dir/probe"
  "$dir/probe" 2>/dev/null || status=$?
  rm -rf "$dir"
  [ "$status" -eq 7 ]
}
