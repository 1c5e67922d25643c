# Sourced by the resource checks.
# compare <what> <expected> <actual>: PASS with <what> when the texts are the
# same, else FAIL with their differences (< expected, > built) and exit 1.
compare() {
    if [ "$2" = "$3" ]; then
        echo "PASS $1"
    else
        echo "FAIL $1 (< expected, > built):"
        diff <(echo "$2") <(echo "$3") || true
        exit 1
    fi
}
