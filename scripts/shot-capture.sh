# Sourced by the screenshot scripts. One picture of a screenshot program:
#   capture NAME MARGIN SETTLE DONE_FILE ARGUMENTS...
# runs scripts/wine-run.sh ARGUMENTS..., waits for the program's line
# "ready X Y W H" (the area of the state it put on screen), lets SETTLE
# seconds pass for the last paint, saves that area, widened by MARGIN pixels
# on every side, as $out/NAME.png, and waits for the program to end. A
# program that waits for a file before it ends is given DONE_FILE ("-":
# none); it is created after the picture, or when the program did not show.
capture() {
  local name=$1 margin=$2 settle=$3 done_file=$4
  shift 4
  local fifo pid line="" word x y w h
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  scripts/wine-run.sh "$@" >"$fifo" 2>/dev/null &
  pid=$!
  read -r line <"$fifo" || true
  read -r word x y w h <<<"${line//$'\r'/}" || true  # the console may end lines with CR LF
  rm -f "$fifo"
  if [ "${word:-}" = ready ]; then
    sleep "$settle"
    x=$((x - margin)); y=$((y - margin)); w=$((w + 2 * margin)); h=$((h + 2 * margin))
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
    echo "screenshot: $out/$name.png"
  else
    echo "screenshot: $name did not show" >&2
  fi
  [ "$done_file" = - ] || touch "$done_file"
  wait "$pid" || true
  [ "$done_file" = - ] || rm -f "$done_file"
}
