#!/usr/bin/env bash
# What the tray application costs while it sits in the tray on battery: runs the built `tarvel`
# under Xvfb with a tray (trayer) on a fixture battery that discharges one point a minute, for
# SECONDS (default 600) with the popover closed, then as long with it open, and reports for each
# the CPU seconds per hour, the wake-ups per second (voluntary context switches summed over all
# its threads: a thread that blocks and is woken again), the preemptions per second (involuntary
# switches: a running thread the scheduler set aside, which grow with the machine's other load),
# the resident memory and its threads. Needs xvfb, trayer and xdotool.
#   bench/tray-idle-cost.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
work=$(mktemp -d)
xvfb=  # a process substitution is not a job: killed by its pid
trap 'kill $(jobs -p) $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT

bat="$work/sys/class/power_supply/BAT0"
mkdir -p "$bat" "$work/sys/class/power_supply/AC"
printf 'Battery\n' >"$bat/type"; printf 'Discharging\n' >"$bat/status"
printf '5000000\n' >"$bat/charge_full"; printf '1100000\n' >"$bat/current_now"
printf '11800000\n' >"$bat/voltage_now"
printf 'Mains\n' >"$work/sys/class/power_supply/AC/type"; printf '0\n' >"$work/sys/class/power_supply/AC/online"
level=90
discharge() {
  printf '%s\n' "$level" >"$bat/capacity.new" && mv "$bat/capacity.new" "$bat/capacity"
  printf '%s\n' "$((level * 50000))" >"$bat/charge_now.new" && mv "$bat/charge_now.new" "$bat/charge_now"
}
discharge

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
xvfb=$!
read -r -u 3 number
export DISPLAY=":$number" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
trayer --edge top --align right --widthtype request --height 28 >/dev/null 2>&1 &
sleep 1
./build/src/tarvel/tarvel --sysfs-root "$work/sys" >/dev/null 2>&1 &
pid=$!
sleep 5

# CPU time from the scheduler's own run-time count (nanoseconds, per thread) rather than from
# utime/stime, which are sampled at the clock tick and at these loads round to a few ticks.
cpu() { cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%.6f\n", n / 1e9 }'; }
# Every wake-up of any thread follows a voluntary context switch: the sum over all of them. A
# thread that ended during the window takes its count with it, so the threads are listed too.
switches() { cat /proc/"$pid"/task/*/status 2>/dev/null | awk -v kind="^$1_ctxt_switches" '$0 ~ kind { n += $2 } END { print n }'; }
threads() { for t in /proc/"$pid"/task/*; do cat "$t/comm"; done | sort | uniq -c | awk '{ printf "%s%s×%s", sep, $2, $1; sep = " " }'; }
measure() {
  local label=$1 start end start_cs end_cs start_pre end_pre
  start=$(cpu); start_cs=$(switches voluntary); start_pre=$(switches nonvoluntary)
  for ((elapsed = 0; elapsed < seconds; elapsed += 60)); do
    sleep $((seconds - elapsed < 60 ? seconds - elapsed : 60))
    level=$((level > 5 ? level - 1 : level)); discharge
  done
  end=$(cpu); end_cs=$(switches voluntary); end_pre=$(switches nonvoluntary)
  awk -v s="$start" -v e="$end" -v d="$seconds" -v l="$label" -v cs=$((end_cs - start_cs)) -v pre=$((end_pre - start_pre)) \
    -v rss="$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")" -v hwm="$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")" \
    'BEGIN { printf "%-15s %7.3f CPU s/h  %6.3f %% of one core  %5.2f wake-ups/s  %5.2f preemptions/s  RSS %.1f MB (peak %.1f)\n", l, (e - s) * 3600 / d, (e - s) * 100 / d, cs / d, pre / d, rss / 1024, hwm / 1024 }'
  echo "  threads: $(threads)"
}

measure "popover closed"
xdotool mousemove 1266 14 click 1  # the icon sits in the tray's top-right corner
sleep 2
measure "popover open"
