#!/bin/sh
# Every command that `zvl --help` lists has its entry on the help page of the zvl tool and in
# the zvl(1) man page. Usage: commands.sh ZVL SOURCE_DIR
set -u
zvl=$1
src=$2
page=$src/help/zvl-tool.html
man=$src/man/zvl.1

commands=$("$zvl" --help | sed -n '/^Commands:/,/^$/p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
[ -n "$commands" ] || { echo "no commands found in the output of zvl --help"; exit 1; }

missing=0
for c in $commands; do
    # The page names a command as <code>zvl CMD</code>; the man page as a .B or .BI entry.
    grep -q "<code>zvl $c</code>" "$page" || { echo "missing from help/zvl-tool.html: zvl $c"; missing=1; }
    grep -Eq "^\.BI? \"?$c( |\"|\$)" "$man" || { echo "missing from man/zvl.1: zvl $c"; missing=1; }
done
[ $missing = 0 ] && echo "all $(echo $commands | wc -w) commands of zvl --help are on the help page and in the man page"
exit $missing
