#!/usr/bin/env bash
# The module rules the build cannot see: a module's internal/ headers are its own, DCMTK stays
# behind the four DICOM modules, page rendering knows no DIMSE status, and no state hides in a
# std::any. Prints every offending line and fails when there is one.
set -uo pipefail
root=${1:?usage: module_rules_test.sh SOURCE_DIR}
cd "$root/src"
failed=0
offend() { echo "$1:"; echo "$2" | sed 's/^/  /'; failed=1; }

for internal in */internal; do
  module=${internal%%/*}
  # The module's own tests (tests/<module>/) may test its internals.
  found=$(grep -rn "#include \"$module/internal/" --include='*.h' --include='*.cpp' . ../tests |
    grep -vE "^(\./|\.\./tests/)$module/" || true)
  [ -z "$found" ] || offend "outside $module, includes of its internal headers" "$found"
done

found=$(grep -rln '#include <dcmtk/' --include='*.h' --include='*.cpp' . |
  grep -vE '^\./(data|images|network|print_scu)/' || true)
[ -z "$found" ] || offend "DCMTK outside the DICOM modules" "$found"

found=$(grep -rn 'dimse_status.h\|DimseStatus::' render printing || true)
[ -z "$found" ] || offend "DIMSE statuses under render/ or printing/" "$found"

found=$(grep -rn 'std::any\b\|<any>' --include='*.h' --include='*.cpp' . || true)
[ -z "$found" ] || offend "std::any" "$found"

exit $failed
