#!/bin/sh
# Runs vantrel-cli against card files in a scratch directory and checks its
# output and exit codes; the file-in-use case runs the card window (vantrel
# on Qt's offscreen platform) as a second process holding the file.
# Usage: transcript_test.sh VANTREL_CLI VANTREL TESTDATA_DIR
set -u
cli=$1
window=$2
data=$3
work=$(mktemp -d)
window_pid=
cleanup() {
  [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work" || exit 1
fail=0
check() {  # NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n--- expected\n%s\n--- got\n%s\n' "$1" "$2" "$3"
    fail=1
  fi
}
# Runs the tool; its stdout, then its stderr, then its status in $out.
run() {
  "$cli" "$@" > stdout 2> stderr
  status=$?
  out=$(cat stdout)
  err=$(cat stderr)
}

run new cards.vtl
check "new" "0" "$status"
run new cards.vtl
check "new on an existing file" "1|vantrel-cli: cards.vtl exists already" "$status|$err"

run add cards.vtl --last Smith --first Ann --company 'Acme, Inc.' --list-by-company \
  --phone '555 0100' --phone 'Mobile 555 0101' --category Work --contents 'one\ntwo'
check "add" "0|" "$status|$err"
run add cards.vtl --last 'Müller' --first Zoë --category Family
check "add with Windows-1252 letters" "0" "$status"
run add cards.vtl --last 'Chen' --first 'Wei ∞'
check "add refuses a character outside Windows-1252" "1|vantrel-cli: --first: characters without a Windows-1252 code written as ?: U+221E
vantrel-cli: the card was not added" "$status|$err"
run add cards.vtl --phone 555
check "add refuses a card without a name" "1" "$status"

run list cards.vtl
check "list" "0|Acme, Inc. (Ann Smith)	Work
Müller, Zoë	Family
Smith, Ann (Acme, Inc.)	Work" "$status|$out"
run list cards.vtl --category Family
check "list of a category" "Müller, Zoë	Family" "$out"
run list cards.vtl --json
printf '%s' "$out" | grep -q '"phones": \["555 0100", "Mobile 555 0101"\]' &&
  printf '%s' "$out" | grep -q '"contents": "one\\ntwo"' ||
  { echo "FAIL list --json: $out"; fail=1; }

run show cards.vtl 'Smith, Ann (Acme, Inc.)'
check "show" "0|Last name: Smith
First name: Ann
Company: Acme, Inc.
Listed by company: yes
Category: Work
Phones:
  555 0100
  Mobile 555 0101
Contents:
  one
  two" "$status|$(printf '%s\n' "$out" | grep -v '^Created\|^Changed')"
run show cards.vtl 'Nobody'
check "show of no card" "1|vantrel-cli: no card has the key Nobody" "$status|$err"

run find cards.vtl acme
check "find is exact to the byte" "0|" "$status|$out"
run find cards.vtl acme --ignore-case
check "find ignoring case" "Smith, Ann (Acme, Inc.)	Work" "$out"

run import-vcard cards.vtl "$data/mail_30.vcf"
check "import-vcard" "0|Cards read: 1
Cards added: 1
Cards updated: 0
card 1 (line 1): phone Mobile +1 917 555 0126: the word Mobile left out to fit 20 characters
card 1 (line 1): not kept: PHOTO" "$status|$out"
run import-vcard cards.vtl "$data/mail_30.vcf"
check "the same vCards again are duplicates" "Cards read: 1
Cards added: 0
Cards updated: 0
Cards skipped as duplicates: 1
card 1 (line 1): phone Mobile +1 917 555 0126: the word Mobile left out to fit 20 characters
card 1 (line 1): not kept: PHOTO" "$out"
printf 'BEGIN:VCARD\r\nN:Lost;Card\r\n' > broken.vcf
run list cards.vtl
before=$out
run import-vcard cards.vtl broken.vcf
check "an unterminated card is refused" "1|vantrel-cli: broken.vcf: the card that begins on line 1 has no END:VCARD; the card file is unchanged" "$status|$err"
run list cards.vtl
check "the refused import changed nothing" "$before" "$out"

# Out and back in: the copy lists the same cards with the same fields.
run list cards.vtl --json
original=$out
for format in vcard-3.0 vcard-4.0 csv; do
  rm -f copy.vtl
  "$cli" new copy.vtl
  case $format in
    vcard-*) run export-vcard cards.vtl out --version "${format#vcard-}"
             "$cli" import-vcard copy.vtl out > /dev/null ;;
    csv)     run export-csv cards.vtl out
             "$cli" import-csv copy.vtl out > /dev/null ;;
  esac
  check "export $format" "0|Cards exported: 3" "$status|$out"
  run list copy.vtl --json
  check "round trip $format" "$original" "$out"
done
run export-csv cards.vtl out.csv --category Family
check "export of a category" "Last Name,First Name,Company,List By Company,Phones,Category,Contents,Created,Changed" \
  "$(head -n 1 out.csv | tr -d '\r')"
check "export of a category: one card" "2" "$(wc -l < out.csv | tr -d ' ')"

# Change files between two copies: everything since the last export goes
# over once; a change made later travels on its own.
cp cards.vtl other.vtl
run set-last-export cards.vtl '1990-01-01'
run export-changes cards.vtl changes.vtc
check "export-changes" "0|Records Read: 3
Records Exported: 3" "$status|$out"
run export-changes cards.vtl changes2.vtc
check "export-changes again" "0|Records Read: 3
Records Exported: 0" "$status|$out"
run import-changes other.vtl changes.vtc
check "import-changes of the same cards" "0|Records Read: 3
Records Imported: 0" "$status|$out"
rm -f fresh.vtl && "$cli" new fresh.vtl
run import-changes fresh.vtl changes.vtc
check "import-changes into a new file" "0|Records Read: 3
Records Imported: 3" "$status|$out"
run list fresh.vtl
check "imported cards" "$(cd "$work" && "$cli" list cards.vtl)" "$out"
"$cli" add cards.vtl --last Later
run export-changes cards.vtl changes3.vtc
check "export-changes of a later card" "Records Read: 4
Records Exported: 1" "$out"
run import-changes other.vtl changes3.vtc
check "import-changes of a later card" "Records Read: 1
Records Imported: 1" "$out"
run list other.vtl
check "the later card arrived" "Later	" "$(printf '%s\n' "$out" | grep '^Later')"
run list cards.vtl
listed=$out
run export-changes cards.vtl ./cards.vtl
check "export-changes onto the card file" "1|vantrel-cli: ./cards.vtl is the card file itself" "$status|$err"
run list cards.vtl
check "the card file survives" "$listed" "$out"
run import-changes fresh.vtl missing.vtc
check "import-changes of no file" "1" "$status"

run set-last-export cards.vtl '2026-01-02 10:30'
check "set-last-export" "0" "$status"
run set-last-export cards.vtl yesterday
check "set-last-export of no date" "1" "$status"

run check cards.vtl
check "check of a sound file" "0|" "$status|$out"
printf 'not a card file' > junk.vtl
run check junk.vtl
check "check of junk" "1" "$status"
run list missing.vtl
check "a missing file" "1" "$status"

# Bad usage.
for args in "" "list" "list a b" "frobnicate x" "list x --colour" "add x --last" \
            "export-vcard a b --version 2.1"; do
  # shellcheck disable=SC2086
  "$cli" $args > /dev/null 2>&1
  check "usage: $args" "2" "$?"
done
for command in new list show add find export-changes import-changes set-last-export import-vcard \
               export-vcard import-csv export-csv check; do
  run "$command" --help
  check "$command --help" "0" "$status"
  printf '%s' "$out" | grep -q "^usage: vantrel-cli $command" ||
    { echo "FAIL $command --help: $out"; fail=1; }
done
run --help
check "--help" "0" "$status"

# The card window holds the file: a writing command says so and changes
# nothing; reading goes on.
run list cards.vtl
before=$out
mkdir config
QT_QPA_PLATFORM=offscreen "$window" "$work/cards.vtl" --config-dir "$work/config" \
  > window.log 2>&1 &
window_pid=$!
# Waits until the window has the card file open (its descriptors show it).
tries=0
until ls -l /proc/"$window_pid"/fd 2>/dev/null | grep -q "$work/cards.vtl"; do
  tries=$((tries + 1))
  if ! kill -0 "$window_pid" 2>/dev/null &&
      grep -q 'built without the Qt backend' window.log; then
    echo "the card window needs Qt: the file-in-use case is left out"
    exit $fail
  fi
  if [ $tries -gt 300 ] || ! kill -0 "$window_pid" 2>/dev/null; then
    echo "FAIL the card window did not open the file"; cat window.log; fail=1
    break
  fi
  sleep 0.1
done
"$cli" add cards.vtl --last Late 2> stderr > /dev/null
check "add while in use" "1" "$?"
check "in use" "vantrel-cli: cards.vtl is in use by another program; nothing was changed" "$(cat stderr)"
run import-vcard cards.vtl "$data/contacts_40.vcf"
check "import while in use" "1" "$status"
run list cards.vtl
check "reading while in use" "0|$before" "$status|$out"
kill "$window_pid"
wait "$window_pid" 2>/dev/null
window_pid=
run add cards.vtl --last Late
check "add once the window is gone" "0" "$status"

exit $fail
