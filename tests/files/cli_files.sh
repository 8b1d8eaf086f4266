#!/usr/bin/env bash
# End to end: the built `zvl` on temporary files. import, info and export against files built
# here byte for byte, the split into part files, and the usage and failure exits. With the
# simulator's path as a second argument, also `zvl collect -o` over a pseudo-terminal.
set -euo pipefail
zvl="$1"
sim="${2:-}"

work="$(mktemp -d)"
export XDG_CONFIG_HOME="$work/config"   # no settings file: labels "Channel n", all active
export XDG_STATE_HOME="$work/state"     # the journals of zvl collect
simpid=""
cleanup() {
  [ -n "$simpid" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"
hex() { od -An -v -tx1 "$@" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }

# ---- import: the three-line example, then the recording file byte for byte ----
printf '0,0\r\n65,5\r\n70,4\r\n' >in.csv
"$zvl" import in.csv out >import.out 2>import.err || fail "import exited $?: $(cat import.err)"
[ "$(cat import.err)" = "2 results written to $work/out.zvl" ] || fail "import summary: $(cat import.err)"
[ ! -s import.out ] || fail "import printed on stdout: $(cat import.out)"

# Count 2 little-endian, results 1 and 2 in instrument order; then the title line.
[ "$(head -c 18 out.zvl | hex)" = "02 00 00 00 00 00 00 41 00 05 00 00 00 00 00 46 00 04" ] \
  || fail "count and records: $(head -c 18 out.zvl | hex)"
title=$(tail -c +19 out.zvl | head -c 200 | tr '\r' '\n' | head -1)
[[ "$title" =~ ^"Corvask Pellam ZVL Data File : $work/out.zvl  "[0-9]{1,2}\ [A-Z][a-z]{2}\ [0-9]{4}\ -\ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] \
  || fail "title line: $title"
{
  head -c 18 out.zvl
  printf '%s\r' "$title"
  printf '\r%.0s' 1 2 3 4 5 6 7 8 9 10
  for n in $(seq 16); do printf 'Channel %d\r' "$n"; done
  printf '\001%.0s' $(seq 16)
} >expected.zvl
cmp out.zvl expected.zvl || fail "recording file differs from the one built by hand"

# ---- info ----
"$zvl" info out.zvl >info.out || fail "info exited $?"
grep -qx "File:          $work/out.zvl" info.out || fail "info file: $(cat info.out)"
grep -qx 'Results:       2' info.out || fail "info count: $(cat info.out)"
grep -qx "Title:         $title" info.out || fail "info title"
grep -qx 'Input 16:      active   Channel 16' info.out || fail "info labels: $(cat info.out)"
grep -qx 'First result:  1 Jan 00 00:01:05 (65 seconds since 1 Jan 2000)' info.out || fail "info first"
grep -qx 'Last result:   1 Jan 00 00:01:10 (70 seconds since 1 Jan 2000)' info.out || fail "info last"
# --between: the span from result A to result B, either way round.
[ "$("$zvl" info --between 1 2 out.zvl)" = '1..2: 1 results, 5 s (00:00:05)' ] || fail "info --between: $("$zvl" info --between 1 2 out.zvl)"
[ "$("$zvl" info out.zvl --between 2 1)" = '2..1: -1 results, -5 s (-00:00:05)' ] || fail "info --between backwards"

# ---- export: every line but the dated first one, byte for byte ----
"$zvl" export out.zvl run.txt >export.out 2>export.err || fail "export exited $?: $(cat export.err)"
grep -qx 'zvl: File Converted to .TXT Format. (For use with Notepad, Wordpad etc.)' export.err \
  || fail "export message: $(cat export.err)"
line1=$(head -1 run.txt)
[[ "$line1" =~ ^"Corvask Pellam ZVL Data File  $work/out.zvl"[0-9]{1,2}\ [A-Z][a-z]{2}\ [0-9]{4}\ -\ [0-9]{2}:[0-9]{2}:[0-9]{2}$'\r'$ ]] \
  || fail "export line 1: $line1"
{
  printf '\r\nComments :\r\n'
  printf '\r\n%.0s' $(seq 10)
  printf ',,Active,'; printf 'T,%.0s' $(seq 16); printf '\r\n'
  printf ',,Labels,'; for n in $(seq 16); do printf 'Channel %d,' "$n"; done; printf '\r\n'
  printf '     0, 1 Jan 00 00:00:00,            0, 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,\r\n'
  printf '     1, 1 Jan 00 00:01:05,           65, 1,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,\r\n'
  printf '     2, 1 Jan 00 00:01:10,           70, 0,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,\r\n'
} >expected.txt
tail -n +2 run.txt | cmp - expected.txt || fail "export differs from the text built by hand"
"$zvl" export out.zvl run2 2>export2.err >/dev/null || fail "export without extension"
[ -f run2.CSV ] || fail "a name without an extension gets .CSV"
grep -q 'CSV Format' export2.err || fail "the .CSV message: $(cat export2.err)"

# ---- vcd: the same text to a file (".vcd" added) and to standard output ----
"$zvl" vcd out.zvl wave >vcd.out 2>vcd.err || fail "vcd exited $?: $(cat vcd.err)"
[ "$(cat vcd.err)" = "2 results exported to $work/wave.vcd" ] || fail "vcd summary: $(cat vcd.err)"
[ ! -s vcd.out ] || fail "vcd printed on stdout: $(cat vcd.out)"
"$zvl" vcd out.zvl - >wave-stdout.vcd || fail "vcd to stdout"
cmp wave.vcd wave-stdout.vcd || fail "vcd to stdout differs from the file"
# Results at 65 s (inputs 1 and 3 on) and 70 s (input 3): time points 0 and 5, then the end.
[ "$(grep '^#' wave.vcd | tr '\n' ' ')" = '#0 #5 #6 ' ] || fail "vcd time points: $(grep '^#' wave.vcd)"
[ "$(sed -n '/^#5$/,/^#6$/p' wave.vcd | tr '\n' ' ')" = '#5 0! #6 ' ] || fail "vcd at 5 s: $(cat wave.vcd)"

# ---- outputs that are not regular files: standard output, a pipe, a folder ----
"$zvl" export out.zvl - >stdout.csv 2>stdout.err || fail "export to stdout"
tail -n +2 stdout.csv | cmp - expected.txt || fail "export to stdout differs"
[ ! -s stdout.err ] || fail "export to stdout printed a message: $(cat stdout.err)"
mkfifo pipe
timeout 20 cat pipe >piped.vcd &  # a writer that never opens the pipe does not hang the test
"$zvl" vcd out.zvl pipe >/dev/null || fail "vcd into a pipe"
wait
cmp piped.vcd wave.vcd || fail "vcd through a pipe differs"
mkdir folder
rc=0; "$zvl" export out.zvl folder >/dev/null 2>&1 || rc=$?
[ $rc -eq 2 ] || fail "export onto a folder should exit 2, not $rc"
[ ! -e pipe.vcd ] && [ ! -e folder.CSV ] || fail "an extension was added to an existing name: $(ls)"
# /dev/stdout through a pipe and into a file: the data alone, the summary on stderr.
"$zvl" vcd out.zvl /dev/stdout 2>devout.err | cat >devout-piped.vcd || fail "vcd to /dev/stdout through a pipe"
cmp devout-piped.vcd wave.vcd || fail "vcd to /dev/stdout through a pipe differs: $(head -3 devout-piped.vcd)"
"$zvl" export out.zvl /dev/stdout >devout.csv 2>devout.err || fail "export to /dev/stdout into a file: $(cat devout.err)"
tail -n +2 devout.csv | cmp - expected.txt || fail "export to /dev/stdout into a file differs"
[ "$(cat devout.err)" = "2 results exported to /dev/stdout" ] || fail "export to /dev/stdout: $(cat devout.err)"
# A device is written as it stands, never replaced (the save of import as of every command):
# one of the test's own (making it needs root), never /dev/null itself.
if mknod null c 1 3 2>/dev/null; then
  "$zvl" import in.csv null 2>devnull.err || fail "import into a device: $(cat devnull.err)"
  [ -c null ] && [ ! -e null.zvl ] || fail "the device was replaced or renamed: $(ls -l null*)"
fi
"$zvl" --version | grep -Eqx 'zvl \(Pellam ZVL companion\) [0-9.]+' || fail "zvl --version: $("$zvl" --version)"

# ---- --all-parts: 100000 results imported, saved in four parts, exported whole ----
awk 'BEGIN { for (i = 0; i <= 100000; i++) printf "%d,%d\r\n", 800000000 + int(i / 2), (i * 7) % 65536 }' >big.csv
"$zvl" import big.csv big >/dev/null 2>&1 || fail "import of 100000 results"
[ -f big_4.ZVL ] || fail "four part files: $(ls)"
"$zvl" export --all-parts big_2.ZVL whole.csv >/dev/null 2>&1 || fail "export --all-parts exited $?"
# Data lines of results 1..100000 as "seconds,word", against the imported lines.
tail -n +17 whole.csv | tr -d '\r' | awk -F', *' '{ w = 0; for (k = 16; k >= 1; k--) w = w * 2 + $(k + 3); print $3 "," w }' >whole.txt
tail -n +2 big.csv | tr -d '\r' | cmp - whole.txt || fail "the parts exported whole differ from the import"
"$zvl" info --all-parts big_1.ZVL | grep -qx 'Results:       100000' || fail "info --all-parts"
[ "$("$zvl" info --all-parts --between 1 100000 big_3.ZVL)" = '1..100000: 99999 results, 50000 s (13:53:20)' ] \
  || fail "info --between across the parts: $("$zvl" info --all-parts --between 1 100000 big_3.ZVL)"
# A shorter recording saved over the long one: its own two parts, the older save's higher parts
# removed with the save; put back (as an older program left them), they are named and left out.
mkdir older && cp big_3.ZVL big_4.ZVL older/
awk 'BEGIN { for (i = 0; i <= 32800; i++) printf "%d,%d\r\n", 900000000 + i, i % 65536 }' >short.csv
"$zvl" import short.csv big >/dev/null 2>&1 || fail "import of 32800 results"
[ ! -e big_3.ZVL ] && [ ! -e big_4.ZVL ] || fail "the older save's higher parts were left: $(ls big_*)"
"$zvl" info --all-parts big_1.ZVL >short.out 2>short.err || fail "info --all-parts of the shorter save exited $?"
grep -qx 'Results:       32800' short.out && [ ! -s short.err ] || fail "the shorter save: $(grep Results short.out; cat short.err)"
cp older/big_3.ZVL older/big_4.ZVL .
"$zvl" info --all-parts big_1.ZVL >short.out 2>short.err || fail "info --all-parts with old parts exited $?"
grep -qx 'Results:       32800' short.out || fail "the shorter save: $(grep Results short.out)"
[ "$(cat short.err)" = "zvl: Loaded big_1.ZVL to big_2.ZVL as one recording; left out big_3.ZVL and big_4.ZVL, because big_2.ZVL holds 32 results, not 32768." ] \
  || fail "the parts left out: $(cat short.err)"
rc=0; "$zvl" stats --all-parts big_7.ZVL >/dev/null 2>stats7.err || rc=$?
[ $rc -eq 2 ] || fail "a part that does not exist should exit 2, not $rc"
grep -q "Part file $work/big_7.ZVL does not exist" stats7.err || fail "the chosen part is named: $(cat stats7.err)"

# ---- stats: out.zvl holds 5 (inputs 1 and 3 on) at 65 s and 4 at 70 s ----
"$zvl" stats out.zvl --boxes 10 --csv grid >stats.out 2>stats.err || fail "stats exited $?: $(cat stats.err)"
[ "$(head -1 stats.out)" = 'Input,Label,To On,To Off,On Time (s),Off Time (s),Duty (%),Shortest On (s),Longest On (s)' ] \
  || fail "stats header: $(head -1 stats.out)"
[ "$(sed -n '2p;4p;17p' stats.out)" = $'1,Channel 1,0,1,5,0,100.0,5,5\n3,Channel 3,0,0,5,0,100.0,,\n16,Channel 16,0,0,0,5,0.0,,' ] \
  || fail "stats lines: $(cat stats.out)"
[ "$(tail -1 grid.csv)" = $'All,,1,0,0,0,0,0,0,0,0,1,2,,\r' ] || fail "stats grid: $(tail -2 grid.csv)"

# ---- print: one A4 page as PDF ----
"$zvl" print out.zvl page.pdf --title 'Press line 2' >print.out 2>print.err || fail "print exited $?: $(cat print.err)"
[ "$(head -c 5 page.pdf)" = '%PDF-' ] || fail "print wrote no PDF"
grep -qa '/MediaBox \[0 0 595' page.pdf || fail "print: not an A4 page"
[ ! -s print.out ] && grep -q '^'"$work"'/page.pdf: Event Mode' print.err || fail "print summary: $(cat print.out print.err)"
# A full disk (writes beyond 8 KiB fail, the signal ignored as a disk gives none): exit 2, the
# reason, the old page byte for byte and nothing left beside it.
cp page.pdf page.before
rc=0; ( trap '' XFSZ; ulimit -f 8; exec "$zvl" print out.zvl page.pdf ) >/dev/null 2>full.err || rc=$?
[ $rc -eq 2 ] || fail "print onto a full disk should exit 2, not $rc: $(cat full.err)"
grep -qx "zvl: Cannot write file $work/page.pdf: File too large" full.err || fail "full disk: $(cat full.err)"
cmp page.pdf page.before || fail "the old page was changed by a print that failed"
[ -z "$(ls -A | grep '^\.page')" ] || fail "a temporary file was left: $(ls -A)"
# A new page gets the umask's permissions; through a link the target is replaced, the link kept.
( umask 022; "$zvl" print out.zvl fresh.pdf 2>/dev/null ) || fail "print of a new page"
[ "$(stat -c %a fresh.pdf)" = 644 ] || fail "a new page has mode $(stat -c %a fresh.pdf), not 644"
ln -s page.pdf linked.pdf
inode=$(stat -c %i page.pdf)
"$zvl" print out.zvl linked.pdf 2>/dev/null || fail "print through a link"
[ -L linked.pdf ] && [ "$(stat -c %i page.pdf)" != "$inode" ] && [ "$(head -c 5 page.pdf)" = '%PDF-' ] \
  || fail "print through a link: $(ls -li linked.pdf page.pdf)"

# ---- trailing empty results are not counted ----
printf '0,0\n5,1\n0,0\n' >trail.csv
"$zvl" import trail.csv trail.zvl >/dev/null || fail "import trail"
"$zvl" info trail.zvl | grep -qx 'Results:       1 (the file holds 2; the 1 at the end with time 0 are not counted)' \
  || fail "info of trailing zero: $("$zvl" info trail.zvl | grep Results)"

# ---- split: 40000 lines are slot 0 and 39999 results: parts of 32768 and 7231 ----
awk 'BEGIN { for (i = 0; i < 40000; i++) printf "%d,%d\r\n", 1000 + i, i % 65536 }' >long.csv
"$zvl" import long.csv long.zvl 2>split.err || fail "split import exited $?"
grep -qx 'zvl: For Your Convenience, This Record has been Split into 2 Parts, Each with _X Extension' split.err \
  || fail "split message: $(cat split.err)"
[ "$(head -c 2 long_1.ZVL | hex)" = "00 80" ] || fail "part 1 count: $(head -c 2 long_1.ZVL | hex)"
[ "$(head -c 2 long_2.ZVL | hex)" = "3f 1c" ] || fail "part 2 count: $(head -c 2 long_2.ZVL | hex)"
[ ! -e long.zvl ] || fail "the chosen name itself is not written when split"
# Part 2 starts with result 32769: time 1000 + 32769, states 32769.
[ "$(head -c 10 long_2.ZVL | tail -c 8 | hex)" = "00 00 00 00 83 e9 80 01" ] || fail "part 2 first record"
grep -qx "39999 results written to 2 part files, $work/long_1.ZVL .. $work/long_2.ZVL" split.err \
  || fail "split summary: $(cat split.err)"

# ---- an output that is the command's own input: refused, exit 1, nothing written ----
cp out.zvl self.zvl; ln -s self.zvl self-link.zvl; cp in.csv imp_2.ZVL
cp big_1.ZVL big_1.keep; : >self.err
while IFS='|' read -r args out in; do
  ls -A >listing.before
  rc=0; "$zvl" $args >/dev/null 2>self.err || rc=$?
  [ $rc -eq 1 ] || fail "zvl $args should exit 1, not $rc: $(cat self.err)"
  [ "$(grep '^zvl:' self.err)" = "zvl: Cannot write file $work/$out: it is the input file $work/$in" ] || fail "zvl $args: $(cat self.err)"
  ls -A | cmp -s - listing.before || fail "zvl $args left a file: $(ls -A | diff listing.before -)"
done <<'CASES'
export self.zvl self.zvl|self.zvl|self.zvl
vcd self.zvl self-link.zvl|self-link.zvl|self.zvl
print self.zvl self.zvl|self.zvl|self.zvl
render self-link.zvl self.zvl|self.zvl|self-link.zvl
stats self.zvl --csv self.zvl|self.zvl|self.zvl
export --all-parts big_2.ZVL big_1.ZVL|big_1.ZVL|big_1.ZVL
import imp_2.ZVL imp.zvl|imp_2.ZVL|imp_2.ZVL
CASES
cmp self.zvl out.zvl && cmp big_1.ZVL big_1.keep || fail "a refused command changed its input"

# ---- standard output: "-" and /dev/stdout write the descriptor itself, never a file "-" ----
"$zvl" render out.zvl - >dash.png 2>/dev/null || fail "render to -"
"$zvl" print out.zvl - >dash.pdf 2>/dev/null || fail "print to -"
[ "$(head -c 4 dash.png | tail -c 3)" = PNG ] && [ "$(head -c 5 dash.pdf)" = '%PDF-' ] || fail "render/print to -"
[ ! -e ./- ] || fail "a file named - was made"
# The shell's writes before and after land around the data, not on top of it.
{ echo before; "$zvl" vcd out.zvl /dev/stdout 2>/dev/null; echo after; } >grouped.txt
{ echo before; cat wave.vcd; echo after; } | cmp - grouped.txt || fail "/dev/stdout in a group: $(head -3 grouped.txt)"

# ---- a pipe nobody reads is refused at once; a long name can be saved ----
mkfifo lonely
rc=0; timeout 20 "$zvl" vcd out.zvl lonely >/dev/null 2>lonely.err || rc=$?
[ $rc -eq 2 ] && [ -p lonely ] && [ "$(cat lonely.err)" = "zvl: Cannot open file $work/lonely: no program is reading the pipe" ] \
  || fail "vcd into a pipe without a reader: exit $rc, $(cat lonely.err)"
long=$(printf 'n%.0s' $(seq 251)).zvl
"$zvl" import in.csv "$long" >/dev/null 2>long.err && cmp -s "$long" out.zvl -n 18 || fail "a 255-byte name: $(cat long.err)"

# ---- a folder of three files, and a span, give what one file of the same results gives ----
rows() { printf '0,0\r\n'; for i in $(seq "$1" "$2"); do printf '%d,%d\r\n' $((1000 + 10 * i)) $((i * 4099 % 65536)); done; }
mkdir week
rows 1 9 >one.csv; rows 1 3 >w3.csv; rows 4 6 >w1.csv; rows 7 9 >w2.csv; rows 3 7 >span.csv
for f in one w3 w1 w2 span; do "$zvl" import $f.csv $f.zvl >/dev/null 2>&1 || fail "import $f"; done
mv w1.zvl w2.zvl w3.zvl week/ && cp week/w1.zvl week/zz.zvl   # zz: a copy, left out
printf 'x' >week/.zvl-log-journal.zvlj
same() { # LABEL CMD-A CMD-B: both outputs, less an export's dated first line, are the same
  eval "$2" >a.out 2>a.err || fail "$1: $2 exited $?: $(cat a.err)"
  eval "$3" >b.out 2>b.err || fail "$1: $3 exited $?: $(cat b.err)"
  cmp <(tail -n +2 a.out) <(tail -n +2 b.out) || fail "$1: '$2' and '$3' differ"
}
same "folder export" '"$zvl" export week -' '"$zvl" export one.zvl -'
same "folder vcd" '"$zvl" vcd week -' '"$zvl" vcd one.zvl -'
same "folder stats" '"$zvl" stats week --boxes 10' '"$zvl" stats one.zvl --boxes 10'
same "span of a file" '"$zvl" export one.zvl - --from 3 --to 7' '"$zvl" export span.zvl -'
same "span by times" '"$zvl" export one.zvl - --from "2000-01-01 00:17:05" --to "2000-01-01 00:17:59"' '"$zvl" export span.zvl -'
same "span of a folder" '"$zvl" vcd week - --from 3 --to 7' '"$zvl" vcd span.zvl -'
same "stats of a span" '"$zvl" stats week --from 3 --to 7' '"$zvl" stats span.zvl'
for mode in event timebase; do
  "$zvl" render week a.png --mode $mode >/dev/null 2>&1 && "$zvl" render one.zvl b.png --mode $mode >/dev/null 2>&1 && cmp a.png b.png \
    || fail "render of the folder in $mode mode differs from one file's"
  "$zvl" render one.zvl a.png --mode $mode --from 3 --to 7 >/dev/null 2>&1 && "$zvl" render span.zvl b.png --mode $mode >/dev/null 2>&1 \
    && cmp a.png b.png || fail "render of a span in $mode mode differs from the file of the span's"
done
"$zvl" export week folder.csv --from 3 >/dev/null 2>export.err && grep -qx "7 results exported to $work/folder.csv" export.err \
  || fail "export of a folder's span to a file: $(cat export.err)"
"$zvl" info week >info.out 2>info.err || fail "info of a folder exited $?"
[ "$(head -1 info.out)" = 'Folder: 3 files, 9 results, 1 Jan 00 00:16:50 .. 1 Jan 00 00:18:10' ] || fail "folder line: $(head -1 info.out)"
[ "$(cat info.err)" = "zvl: left out zz.zvl: its results overlap w1.zvl's" ] || fail "left out: $(cat info.err)"
grep -q '^   2  w1.zvl: results 4..6, 1 Jan 00 00:17:20 .. 1 Jan 00 00:17:40$' info.out && grep -q 'gap of 00:00:10 (cause unknown)' info.out \
  || fail "recordings and gaps: $(cat info.out)"
# zvl find reads the folder's recordings in time order, each after a gap: a match held at a
# file's end is open there.
[ "$("$zvl" find --key 1=on week 2>/dev/null | cut -d, -f2,6 | tr '\n' ' ')" = "result,open 1,0 3,1 2,0 1,0 3,1 " ] \
  || fail "find over a folder: $("$zvl" find --key 1=on week 2>&1)"
rc=0; "$zvl" export week x.csv --from 'yesterday' >/dev/null 2>&1 || rc=$?; [ $rc -eq 1 ] || fail "a bad --from should exit 1, not $rc"
rc=0; "$zvl" export week x.csv --from 10 >/dev/null 2>&1 || rc=$?; [ $rc -eq 2 ] || fail "--from past the last result should exit 2, not $rc"
[ ! -e x.csv ] || fail "nothing is written for a bad span"

# ---- failures and usage ----
set +e
printf '0,0\n-5,1\n7,7\n' >neg.csv
"$zvl" import neg.csv neg.zvl >/dev/null 2>neg.err; code=$?
[ $code -eq 2 ] || fail "negative time: exit $code"
[ "$(cat neg.err)" = 'zvl: Import stopped at line 2: the time -5 is negative' ] || fail "negative: $(cat neg.err)"
[ ! -e neg.zvl ] || fail "a failed import writes nothing"

"$zvl" info missing.zvl >/dev/null 2>miss.err; code=$?
[ $code -eq 2 ] || fail "missing file: exit $code"
[ "$(cat miss.err)" = "zvl: Cannot open file $work/missing.zvl: No such file or directory" ] || fail "missing: $(cat miss.err)"

head -c 12 out.zvl >cut.zvl
"$zvl" info cut.zvl >/dev/null 2>cut.err; code=$?
[ $code -eq 2 ] || fail "cut file: exit $code"
[ "$(cat cut.err)" = "zvl: Cannot read file $work/cut.zvl: read beyond end of file" ] || fail "cut: $(cat cut.err)"
"$zvl" export cut.zvl cut.csv >/dev/null 2>&1; [ $? -eq 2 ] || fail "export of a cut file should exit 2"
[ ! -e cut.csv ] || fail "nothing is exported from a file that failed"

cp out.zvl keep.zvl
"$zvl" import in.csv nofolder/x.zvl >/dev/null 2>nofolder.err; code=$?
[ $code -eq 2 ] || fail "missing folder: exit $code"
[ "$(wc -l <nofolder.err)" -eq 1 ] || fail "one line: $(cat nofolder.err)"
grep -q "Cannot create file $work/nofolder/x.zvl: No such file or directory" nofolder.err || fail "$(cat nofolder.err)"

"$zvl" import in.csv >/dev/null 2>usage.err; [ $? -eq 1 ] || fail "import with one name should exit 1"
[ "$(cat usage.err)" = 'zvl: missing file name (see zvl import --help)' ] || fail "usage: $(cat usage.err)"
"$zvl" info a.zvl b.zvl >/dev/null 2>&1; [ $? -eq 1 ] || fail "info with two names should exit 1"
for between in "1 x" "1" "-1 2"; do
  "$zvl" info --between $between out.zvl >/dev/null 2>&1; [ $? -eq 1 ] || fail "info --between $between should exit 1"
done
"$zvl" info --between 1 3 out.zvl >between.out 2>between.err; [ $? -eq 2 ] || fail "info --between past the last result should exit 2"
[ ! -s between.out ] && grep -q 'result 3 is not in' between.err || fail "info --between 1 3: $(cat between.out between.err)"
"$zvl" export --frob a b >/dev/null 2>&1; [ $? -eq 1 ] || fail "unknown option should exit 1"
"$zvl" stats out.zvl --boxes 7 >/dev/null 2>&1; [ $? -eq 1 ] || fail "stats --boxes 7 should exit 1"
"$zvl" stats missing.zvl >/dev/null 2>&1; [ $? -eq 2 ] || fail "stats of a missing file should exit 2"
"$zvl" print out.zvl nofolder/p.pdf >/dev/null 2>&1; [ $? -eq 2 ] || fail "print into a missing folder should exit 2"
"$zvl" print missing.zvl p.pdf >/dev/null 2>&1; [ $? -eq 2 ] || fail "print of a missing file should exit 2"
"$zvl" print out.zvl p.pdf --mode sideways >/dev/null 2>&1; [ $? -eq 1 ] || fail "print --mode sideways should exit 1"
"$zvl" stats out.zvl --csv nofolder/g.csv >/dev/null 2>&1; [ $? -eq 2 ] || fail "stats into a missing folder should exit 2"
for c in info export vcd import stats print; do
  "$zvl" $c --help | grep -q "usage: zvl $c" || fail "$c --help"
  "$zvl" $c --help | grep -q '^Questions:' || fail "$c --help says how questions are answered"
done
"$zvl" --help | grep -q '  import ' || fail "zvl --help lists import"
set -e
cmp out.zvl keep.zvl || fail "a failed command changed another file"

# ---- collect -o against the simulator ----
if [ -n "$sim" ]; then
  "$sim" --port COM9 --rate 20 >sim.out 2>sim.err &
  simpid=$!
  for _ in $(seq 100); do grep -q 'COM9' sim.out 2>/dev/null && break; sleep 0.1; done
  "$zvl" collect --port COM9 --count 5 -o rec.zvl >collect.out 2>collect.err \
    || fail "collect -o exited $?: $(cat collect.err)"
  grep -qx "6 results written to $work/rec.zvl" collect.err || fail "collect summary: $(cat collect.err)"
  [ "$(head -c 2 rec.zvl | hex)" = "06 00" ] || fail "five live results and the stop record"
  "$zvl" export rec.zvl rec.csv >/dev/null 2>&1 || fail "export of the collected file"
  # The export's data lines 1..6 are the lines collect printed.
  tail -n +17 rec.csv | tr -d '\r' | cmp - collect.out || fail "collected file differs from what collect printed"
  set +e
  "$zvl" collect --port COM9 --count 1 -o nofolder/r.zvl >/dev/null 2>cnf.err; code=$?
  set -e
  [ $code -eq 2 ] || fail "collect -o into a missing folder should exit 2 before recording, got $code"
  journals="$work/state/Pellam/journal"
  [ -z "$(ls "$journals" 2>/dev/null)" ] || fail "a saved collect left its journal: $(ls "$journals")"
  "$zvl" recover --list >list.out 2>list.err || fail "recover --list with no journal exited $?"

  # collect killed with SIGKILL once its journal holds 30 results (two blocks or more, one a
  # second at 20 results a second): recover gives them back.
  "$zvl" collect --port COM9 >killed.out 2>killed.err &
  cpid=$!
  for _ in $(seq 300); do
    n=$("$zvl" recover --list 2>/dev/null | cut -f3 | cut -d' ' -f1)
    [ -n "$n" ] && [ "$n" -ge 30 ] && break
    sleep 0.1
  done
  kill -KILL $cpid; wait $cpid 2>/dev/null || true
  journal=$(ls "$journals"/*.zvlj) || fail "no journal left by the killed collect"
  "$zvl" recover "$journal" back.zvl 2>recover.err || fail "recover exited $?: $(cat recover.err)"
  got=$(head -c 2 back.zvl | od -An -tu2 | tr -d ' ')
  [ "$got" -ge 30 ] || fail "recovered $got results, the journal held 30 or more"
  "$zvl" export back.zvl back.csv >/dev/null 2>&1 || fail "export of the recovered file"
  common=$(( got < $(wc -l <killed.out) ? got : $(wc -l <killed.out) ))
  cmp <(tail -n +17 back.csv | tr -d '\r' | head -n $common) <(head -n $common killed.out) \
    || fail "the recovered results are not those collect printed"
  # A torn tail: cut, said, and the whole blocks before it kept.
  head -c -3 "$journal" >torn.zvlj
  "$zvl" recover torn.zvlj torn.zvl 2>torn.err || fail "recover of a torn journal exited $?"
  grep -q "a damaged tail was cut; [1-9][0-9]* records in it are lost" torn.err || fail "torn: $(cat torn.err)"
  printf 'not a journal' >bad.zvlj
  set +e
  "$zvl" recover bad.zvlj bad.zvl 2>bad.err; code=$?
  set -e
  [ $code -eq 2 ] && grep -q "the file is not a journal" bad.err || fail "recover of a non-journal: $code $(cat bad.err)"
fi
echo "zvl file commands: ok"
