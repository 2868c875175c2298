#!/bin/sh
# cmake/wine-run.sh with a stand-in `wine` on PATH: a program that Wine ends with status 1
# before it prints anything runs once more; every other result is passed on after one run.
set -eu
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/prefix"
touch "$work/prefix/.orvex-ready"
printf '%s\n' "|" >"$work/prefix.display" # the display this test runs with: none

cat >"$work/bin/wine" <<'STANDIN'
#!/bin/sh
[ "$1" = cmd ] && exit 0
runs=$(($(cat "$RUNS" 2>/dev/null || echo 0) + 1))
echo "$runs" >"$RUNS"
case "$2" in
silent-once) [ "$runs" -eq 1 ] && exit 1; echo "ran"; exit 0 ;;
silent-always) exit 1 ;;
prints-and-fails) echo "1 test failed"; exit 1 ;;
silent-crash) exit 5 ;;
esac
STANDIN
chmod +x "$work/bin/wine"

failures=0
expect() { # mode, expected status, expected runs, expected text in the output
    rm -f "$work/runs"
    status=0
    output=$(env -u DISPLAY PATH="$work/bin:$PATH" RUNS="$work/runs" ORVEX_WINEPREFIX="$work/prefix" \
        sh "$script" program.exe "$1" 2>&1) || status=$?
    runs=$(cat "$work/runs")
    case "$output" in *"$4"*) text=yes ;; *) text=no ;; esac
    if [ "$status" != "$2" ] || [ "$runs" != "$3" ] || [ "$text" != yes ]; then
        echo "FAILED $1: status $status (wanted $2), runs $runs (wanted $3), output: $output"
        failures=$((failures + 1))
    fi
}
expect silent-once 0 2 "running it once more"
expect silent-always 1 2 "running it once more"
expect prints-and-fails 1 1 "1 test failed"
expect silent-crash 5 1 ""
[ "$failures" -eq 0 ] && echo "all cases passed"
