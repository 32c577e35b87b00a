# Timing helpers the publish benchmarks share (sourced, not run).
now() { date +%s.%N; }
# Seconds since a time from now(), two decimals.
since() { awk -v a="$(now)" -v b="$1" 'BEGIN { printf "%.2f", a - b }'; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
