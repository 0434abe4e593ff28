# Shared by the cluster tests: the pictures, the job and the comparison with
# one run. Source it with T set to the test's temporary folder.

# Every process of a test writes this time into the PDF (the scheduler passes
# the environment on to its jobs), so one run and a cluster run compare whole.
export SOURCE_DATE_EPOCH=1767225600

# COUNT small pictures in every input format, in $T/in and listed in
# $T/list.txt; entry BROKEN is not a picture.
make_pictures() {
  local count=$1 broken=$2 formats=(jpg png bmp gif tiff) args=() i name
  mkdir -p "$T/in"
  # One convert for all of them: each picture is made, written and dropped.
  for i in $(seq 0 $((count - 1))); do
    printf -v name 'p%03d.%s' "$i" "${formats[i % 5]}"
    args+=("gradient:rgb($((i % 256)),$(((i * 7) % 256)),90)-rgb(20,$(((i * 13) % 256)),200)" -write "$T/in/$name" +delete)
  done
  convert -size 48x32 "${args[@]}" xc:white null: || return 1
  printf -v name 'p%03d.%s' "$broken" "${formats[broken % 5]}"
  echo "not a picture" >"$T/in/$name"
  find "$T/in" -type f | sort >"$T/list.txt"
  [ "$(wc -l <"$T/list.txt")" -eq "$count" ]
}

# The job: original format, renaming, a text watermark and the error log in
# the job file; the PDF album (with a fixed date) on the command line.
write_job() {
  cat >"$T/job.ini" <<INI
[Options]
sOutFormat=原格式
bRename=1
sPrefix=Foto_
sDigits=4
bSaveErr=1
sWidth=40
bTextOn=1
sText=Kuvo
INI
  options=(--pdf --pdf-date 2026年01月01日)
}

# The files of folder $2 (less results and scheduler logs) are those of $1,
# byte for byte. Prints what differs and returns 1.
same_outputs() {
  local one cluster f
  one=$(cd "$1" && ls)
  cluster=$(cd "$2" && ls | grep -v -e '^kuvo-results-' -e '^slurm-')
  [ "$one" = "$cluster" ] || { echo "different files: $(diff <(echo "$one") <(echo "$cluster"))"; return 1; }
  [ -f "$1/ErrorLog.txt" ] && [ -f "$1/Kuvo图片集.pdf" ] || { echo "no error log or PDF"; return 1; }
  for f in $one; do
    cmp -s "$1/$f" "$2/$f" || { echo "$f differs"; return 1; }
  done
}
