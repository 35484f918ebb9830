#!/usr/bin/env bash
# A block of shared memory written by one program is read by another while
# the writer runs, and is gone once the writer has ended.
#   shared_test.sh NOKARI
set -u
nokari=$1
name="nokari-shared-test-$$"
"$nokari" -console -e "それは、「別の実行から」。「$name」へ、共有保存。2秒、待つ" &
writer=$!
sleep 0.7
got=$("$nokari" -console -e "「$name」を、共有読込。それを、表示")
wait $writer
after=$("$nokari" -console -e "「$name」を、共有読込。「[{それ}]」を、表示")
fail=0
[ "$got" = "別の実行から" ] || { echo "reader saw: $got"; fail=1; }
[ "$after" = "[]" ] || { echo "after the writer ended: $after"; fail=1; }
[ ! -e "/dev/shm/nokari.$name" ] || { echo "the block was left behind"; fail=1; }
exit $fail
