# Test cases of a shell script, written as GoogleTest-style XML for
# tools/count-results.py. A case runs a function in the caller's shell; it
# passes when the function returns 0, else what it printed is the failure.
# The caller sets $work, a folder for each case's output.

cases=()
record() {  # NAME [FAILURE]
  if [ -z "${2:-}" ]; then
    cases+=("<testcase name=\"${1#*.}\" classname=\"${1%%.*}\"/>")
  else
    local message; message=$(sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g; s/"/\&quot;/g' <<<"$2")
    cases+=("<testcase name=\"${1#*.}\" classname=\"${1%%.*}\"><failure message=\"$message\"/></testcase>")
    printf 'FAILED %s:\n%s\n' "$1" "$2" >&2
  fi
}
run_case() {  # NAME FUNCTION
  local started=$SECONDS report="$work/${1#*.}.out"
  "$2" >"$report" 2>&1
  local rc=$? out; out=$(cat "$report")
  if [ $rc -eq 0 ]; then record "$1"; else record "$1" "${out:-exit code $rc}"; fi
  echo "$1: $([ $rc -eq 0 ] && echo ok || echo FAILED) ($((SECONDS - started)) s)"
}
write_xml() {  # XML PROGRAM
  {
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo "<testsuites name=\"$2\">"
    echo "<testsuite name=\"$2\">"
    printf '%s\n' "${cases[@]}"
    echo "</testsuite></testsuites>"
  } >"$1"
}

