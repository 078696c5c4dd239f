# A process's processor time and the wall clock, for the measuring scripts; sourced by them.
# shellcheck shell=bash

# The user and system clock ticks a process has used (getconf CLK_TCK of them a second).
cpu_ticks() {
  local stat
  read -r stat <"/proc/$1/stat"
  stat=${stat##*) }
  read -r -a fields <<<"$stat"
  echo $((fields[11] + fields[12]))
}

# The wall clock in milliseconds.
now_ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }
