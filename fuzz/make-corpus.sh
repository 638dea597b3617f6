#!/usr/bin/env bash
# Writes the seed inputs of each fuzz target into OUT/<target>/ (default build/fuzz/corpus).
# The fuzzers grow their corpora from these; the grown corpora stay in the build folder.
set -euo pipefail
out="${1:-build/fuzz/corpus}"

seed() {  # seed TARGET NAME BYTES (printf format)
  mkdir -p "$out/$1"
  printf "$3" >"$out/$1/$2"
}

# Encoding recognition: a piece size, then the file.
seed fuzz_recognition empty '\x07'
seed fuzz_recognition ascii '\x03plain text\r\nsecond line'
seed fuzz_recognition utf8 '\x01caf\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80'
seed fuzz_recognition ansi '\x02\xd6\xd0\xce\xc4\r\n\xe9t\xe9'
seed fuzz_recognition cut '\x05abc\xe4\xb8'
seed fuzz_recognition lead-ff '\x04\xff\x80\x80\x80\x80\x80\x80'
seed fuzz_recognition boms '\x00\xef\xbb\xbf\xff\xfe\xfe\xff'
seed fuzz_recognition utf16 '\x09\xff\xfeh\x00i\x00\r\x00\n\x00'
seed fuzz_recognition late "\\x08$(printf 'a%.0s' {1..40})\\xc3\\xa9"

# Line finding: encoding (1 + byte % 5; bit 7: LF line ends), block size, then the file.
for e in 0 1 2; do
  seed fuzz_lines "crlf-$e" "\\x0$e\\x00a\\r\\nb\\r\\n\\r\\nc"
  seed fuzz_lines "lone-$e" "\\x0$e\\x05a\\nb\\rc\\r\\r\\nd\\r"
  seed fuzz_lines "long-$e" "\\x0$e\\x01$(printf 'x%.0s' {1..200})\\r\\n$(printf 'y%.0s' {1..150})\\r"
  seed fuzz_lines "lf-$e" "\\x8$e\\x02a\\nb\\r\\n\\nc\\r"
done
# Plain runs (bit 7 of the block byte, 128 bytes more of block), up to a limit of bytes
# (the block less byte 0 % 64) and of lines (1 to 3, or any, from bits 5-6): a CR LF
# across two steps, quoted line ends in the step of the quote and in the next, an open
# field, an empty first line.
seed fuzz_lines plain-steps "\\x64\\x80$(printf 'a%.0s' {1..63})\\r\\nx\\r\\nb,\"q\\r\\nq\"\\r\\n$(printf 'y%.0s' {1..60})\\r\\n"
seed fuzz_lines plain-quote "\\x64\\x80c\\r\\nd,\"$(printf 'z%.0s' {1..70})\\r\\nz\"\\r\\ne\\r\\nf,\"open\\r\\n"
seed fuzz_lines plain-empty "\\x64\\x80\\r\\ny\\r\\n"
seed fuzz_lines plain-utf16 "\\x62\\x80\\xff\\xfe$(printf 'a\\x00%.0s' {1..31})\\r\\x00\\n\\x00x\\x00\\r\\x00\\n\\x00b\\x00,\\x00\"\\x00\\n\\x00\"\\x00\\r\\x00\\n\\x00$(printf 'y\\x00%.0s' {1..30})\\r\\x00\\n\\x00"
seed fuzz_lines utf8-mark '\x02\x00\xef\xbb\xbfh\r\n\xf0\x9f\x98\x80\r\n\xc3\x41\x00z'
seed fuzz_lines utf16le '\x03\x03\xff\xfeh\x00\r\x00\n\x00\x0d\x0a\r\x00\r\x00\n\x00\x00'
seed fuzz_lines utf16be '\x04\x09\xfe\xff\x00h\x00\r\x00\n\x0a\x0d\x00\r\x00\r\x00\n\x00'
seed fuzz_lines utf16le-lf '\x83\x03\xff\xfeh\x00\n\x00\x0a\x0d\r\x00\n\x00z'
seed fuzz_lines utf16be-lf '\x84\x04\xfe\xff\x00h\x00\n\x0d\x0a\x00\r\x00\nz'
seed fuzz_lines mark-only '\x03\x00\xff\xfe'
for e in 0 1; do  # quoted fields, pairs of quotes across blocks of 16, one left open
  seed fuzz_lines "quotes-$e" "\\x0$e\\x00a,\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"b\\r\\nc\"\"d\"\"e\"\"f\"\"g\"\"h\"\"i\"\"j\"\"k\\r\\n\"\\r\\n1;\"\\r\\n\"x\\r\\n2\\t\"\\n\"\\r\\n3,\"\"\"\\r\\n"
  seed fuzz_lines "quotes-lf-$e" "\\x8$e\\x03\"a\\nb\"\\n12\" x,\"y\"z\\n\"\\r\\n\\n\"\\n\"open\\n"
done
seed fuzz_lines quotes-utf16le '\x03\x00\xff\xfe"\x00\r\x00\n\x00\x22\x4e"\x00"\x00"\x00\r\x00\n\x00,\x00"\x00\n\x00"\x00'
seed fuzz_lines quotes-utf16be '\x84\x01\xfe\xff\x00"\x00\n\x4e\x22\x00"\x00"\x00"\x00\n\x00\t\x00"\x00\n\x0a\x00\x00"\x00\n'

# TextToInt: 1 then letters of a small alphabet (0 1 2 5 7 8 9 9 - blank tab NUL + a ...),
# or 0 then UTF-16 LE code units.
seed fuzz_texttoint small '\x01\x09\x01\x02\x09'
seed fuzz_texttoint minus '\x01\x08\x08\x01'
seed fuzz_texttoint only-minus '\x01\x08'
seed fuzz_texttoint max '\x009\x002\x002\x003\x003\x007\x002\x000\x003\x006\x008\x005\x004\x007\x007\x005\x008\x000\x007\x00'
seed fuzz_texttoint min '\x00-\x009\x002\x002\x003\x003\x007\x002\x000\x003\x006\x008\x005\x004\x007\x007\x005\x008\x000\x008\x00'
seed fuzz_texttoint over '\x009\x002\x002\x003\x003\x007\x002\x000\x003\x006\x008\x005\x004\x007\x007\x005\x008\x000\x008\x00'
seed fuzz_texttoint blanks '\x00 \x00\t\x004\x002\x00\n\x00\xa0\x00'
seed fuzz_texttoint empty '\x00'

# Paths: three texts over a small alphabet (a b . . / \ : blank NUL e-acute CJK
# surrogates e x i n E LF CR) separated by FF, then a start position.
seed fuzz_paths plain '\x00\x04\x01\x04\x00\x02\x0d\x0e\x0f\xff\x02\xff\x0c\xff\x07'
seed fuzz_paths exe '\x04\x00\x02\x0d\x0e\x02\x04\x01\x02\x0d\x0e\x0d\xff\x02\x0d\xff\x02\x0f\xff\x00'
seed fuzz_paths dots '\x02\x02\x04\x02\x00\x02\xff\x02\x02\xff\x00\xff\x03'
seed fuzz_paths zero '\x00\x08\x04\x08\x02\x08\xff\x08\xff\x04\xff\x02'
seed fuzz_paths journal '\x12\x05\x13\x0b\x00\xff\x01\xff\x08\x0c\x12\xff\x07'

# The split: H, N, source block, output budget (8 bytes a unit), open outputs (bits 2-3:
# 2 a read fault, 3 a write fault, after a budget made of bytes 3 and 5), header budget,
# name length (4 to 7 give 1 to 4 letters from the next four bytes) with the number of
# earlier outputs in bits 3-5, four letters, then the source.
seed fuzz_split deal '\x01\x02\x10\x40\x01\x05\x00\x00\x00\x00\x00h\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7'
seed fuzz_split no-data '\x03\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00h\r\n'
seed fuzz_split empty '\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00'
seed fuzz_split utf16le '\x01\x01\x05\x10\x02\x00\x00\x00\x00\x00\x00\xff\xfeh\x00\r\x00\n\x00a\x00\r\x00\n\x00b\x00'
seed fuzz_split utf16be '\x01\x02\x05\x10\x02\x00\x00\x00\x00\x00\x00\xfe\xff\x00h\x00\r\x00\n\x00a\x0d\x0a\x00b\x00\r'
seed fuzz_split utf16-odd '\x01\x02\x07\x00\x01\x00\x00\x00\x00\x00\x00\xff\xfeh\x00\r\x00\n\x00a\x00\r\x00\n\x00bZ'
seed fuzz_split utf8-mark '\x02\x03\x30\xff\x03\x01\x00\x00\x00\x00\x00\xef\xbb\xbfh\r\n\xc3\xa9\r\n\xf0\x9f\x98\x80\r\nz'
seed fuzz_split utf8 '\x01\x02\x11\x20\x01\x02\x00\x00\x00\x00\x00h\r\n\xe4\xb8\xad\r\n\xc3\x41\x00\r\r\n'
seed fuzz_split gbk '\x01\x02\x11\x20\x01\x02\x00\x00\x00\x00\x00\xb1\xed\r\n\xd6\xd0\xce\xc4\r\n\x81\x82\xff'
seed fuzz_split mark-only '\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\xef\xbb\xbf'
seed fuzz_split lf '\x01\x03\x12\x08\x01\x03\x00\x00\x00\x00\x00h\na\r\nb\nc\nd'
seed fuzz_split lf-utf16 '\x01\x02\x12\x08\x01\x03\x00\x00\x00\x00\x00\xff\xfeh\x00\n\x00a\x00\r\x00\n\x00b\x00\n\x00'
seed fuzz_split tie '\x00\x02\x12\x08\x01\x03\x00\x00\x00\x00\x00a\r\nb\nc'
seed fuzz_split crlf-first '\x01\x02\x12\x08\x01\x03\x00\x00\x00\x00\x00\r\na\nb\r\nc'
seed fuzz_split names '\x01\x02\x00\x00\x00\x00\x07\x00\x01\x01\x02h\r\nx\r\ny'
seed fuzz_split dot-name '\x01\x02\x00\x00\x00\x00\x05\x01\x00\x00\x00h\r\nx'
seed fuzz_split no-dot '\x01\x02\x00\x00\x00\x00\x05\x00\x04\x00\x00h\r\nx'
seed fuzz_split earlier '\x01\x02\x10\x40\x01\x05\x28\x00\x00\x00\x00h\r\n1\r\n2\r\n3\r\n4\r\n5'
seed fuzz_split read-fault '\x01\x02\x10\x00\x08\x50\x20\x00\x00\x00\x00h\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7'
seed fuzz_split write-fault '\x01\x03\x10\x00\x0c\x28\x18\x00\x00\x00\x00h\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7'
# Tables read by records: bits 2-3 of the first byte choose auto, csv, lines or auto;
# bit 4 names the source data.csv (with bit 5 data.cSv).
seed fuzz_split csv-lf '\x11\x02\x10\x40\x01\x05\x00\x00\x00\x00\x00id,c\n1,"x\ny"\n2,z\n'
seed fuzz_split csv-crlf-cells '\x11\x02\x00\x40\x01\x05\x00\x00\x00\x00\x00h\r\n1,"a\r\nb"\r\n2,"c\r\n"\r\n3,"d\r"\r\n4,x'
seed fuzz_split csv-excel '\x31\x02\x03\x40\x01\x05\x00\x00\x00\x00\x00\xef\xbb\xbfid,addr\r\n1,"a\nb\nc"\r\n2,"d\ne\nf"\r\n'
seed fuzz_split csv-quotes '\x11\x03\x01\x40\x02\x05\x00\x00\x00\x00\x00h\r\n1,"a""\r\nb",2\r\n3;"x""",y\r\n4\t"q\r\n"\r\n5;"y\r\n"\r\n12" screen,"z"w\r\n"e"""\r\nf"\r\nx'
seed fuzz_split csv-pairs '\x10\x01\x00\x40\x01\x05\x00\x00\x00\x00\x00"a""b""c""d""e""f""g""h""i""j""k""l""m""n""o""p""q""r""s""t""u""v\r\n"\r\nx'
seed fuzz_split csv-head-crlf '\x10\x01\x00\x40\x01\x05\x00\x00\x00\x00\x00\r\na\nb'
seed fuzz_split csv-long-header '\x11\x02\x00\x40\x01\x02\x00\x00\x00\x00\x00"h\r\n1",x\r\n2\r\n3\r\n'
seed fuzz_split csv-unclosed '\x11\x02\x00\x40\x01\x05\x00\x00\x00\x00\x00h\r\n1,"abc\r\n2,x\r\n3,y'
seed fuzz_split csv-unclosed-lf '\x12\x02\x00\x40\x01\x05\x00\x00\x00\x00\x00h\nx,1\n"\ny\r\nz\n'
seed fuzz_split csv-explicit '\x05\x02\x10\x40\x01\x05\x00\x00\x00\x00\x00h\r\n1,x\r\n2,"y\r\nz"\r\n'
seed fuzz_split csv-explicit-open '\x05\x02\x10\x40\x01\x05\x00\x00\x00\x00\x00h\r\n1,x\r\n2,"y\r\n'
seed fuzz_split csv-open-header '\x17\x02\x10\x40\x01\x05\x00\x00\x00\x00\x00"h\r\n1\r\n'
seed fuzz_split csv-as-lines '\x19\x02\x10\x40\x01\x05\x00\x00\x00\x00\x00h\r\n1,"a\r\nb"\r\n'
seed fuzz_split csv-utf16le '\x11\x02\x02\x40\x01\x02\x00\x00\x00\x00\x00\xff\xfeh\x00\r\x00\n\x00"\x00a\x00\r\x00\n\x00\x22\x4e"\x00\r\x00\n\x00,\x00"\x00"\x00"\x00\r\x00\n\x00z\x00"\x00'
seed fuzz_split csv-utf16be '\x11\x03\x01\x40\x01\x02\x00\x00\x00\x00\x00\xfe\xff\x00h\x00\n\x00"\x00a\x00\n\x00b\x00"\x00\n\x00\t\x00"\x0a\x00\x00\n\x00"\x00\nc'
# By value (bit 6 of the first byte; bit 7 names it data.tsv): after the eleven bytes,
# the encoding (bits 0-1), the rest as it stands (bit 2), the delimiter (bits 3-5), a
# second column (bit 6); each column (1 + byte % 5, bits 5-7 a name); then tokens of a
# small alphabet (0 CO, 1 Co, 3 A/B, 5 a quote, 7 a comma, 11 CR LF, 14 e-acute, 17 1,
# 18 2, 31 b ...).
table='\x1f\x07\x00\x0b\x11\x07\x00\x0b\x12\x07\x01\x0b\x11\x07\x05\x00\x05\x0b\x12\x07\x03\x0b\x11\x07\x0b\x12\x07\x0e\x0b'
seed fuzz_split by-value "\\x41\\x02\\x10\\x40\\x01\\x05\\x18\\x00\\x00\\x00\\x00\\x00\\x01\\x00$table"
seed fuzz_split by-name-utf16le "\\x41\\x02\\x10\\x40\\x02\\x05\\x00\\x00\\x00\\x00\\x00\\x42\\x83\\x00$table"
seed fuzz_split by-capitals-csv-utf16be "\\x51\\x02\\x10\\x40\\x03\\x05\\x00\\x00\\x00\\x00\\x00\\x0b\\xc4\\x00$table\\x11\\x1a\\x0b\\x0c\\x1b"
seed fuzz_split by-no-such-name-tsv "\\xc1\\x02\\x10\\x40\\x01\\x05\\x00\\x00\\x00\\x00\\x00\\x01\\xe0\\x00$table"
seed fuzz_split by-name-without-header "\\x40\\x02\\x10\\x40\\x01\\x05\\x00\\x00\\x00\\x00\\x00\\x00\\xe0\\x00$table"
seed fuzz_split by-raw '\x41\x02\x10\x40\x04\x05\x00\x00\x00\x00\x00\x04\x01\x00h;k\r\na;"x\r\nb;x\r\n'
# Line ends inside the quotes of a record's last field are its key's.
seed fuzz_split by-quoted-ends '\x41\x02\x10\x40\x04\x05\x00\x00\x00\x00\x00\x04\x01\x00h;k\na;"x\n"\nb;x\nc;"\r"\nd;\n'

# The merge: H (bits 0-1), the record rule (bits 2-3), data.csv (bit 4), a table of the
# split's tokens (bit 5) in none, UTF-8, UTF-16 LE or BE (bits 6-7); the way (byte % 5)
# and its count (1 + byte / 5 % 7); the size (1 + byte % 128), or by value the delimiter
# (bits 0-2) and column (1 + byte / 8 % 3); the split's and the merge's blocks and open
# files; the piece, place and new value of the byte changed; then the source.
seed fuzz_merge deal '\x01\x0a\x00\x00\x00\x01\x09\x00\x05h\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7'
seed fuzz_merge rows '\x01\x06\x00\x03\x41\x02\x07\x00\x01h\r\n1\r\n2\r\n3\r\n4\r\n5\r\n'
seed fuzz_merge parts '\x00\x0c\x00\x10\x82\x00\x00\x00\x01a\nb\nc\nd\ne'
seed fuzz_merge max-size '\x01\x03\x0b\x00\x00\x01\x05\x00\x03h\r\nab\r\ncd\r\nefgh\r\ni\r\n'
seed fuzz_merge last-cr '\x01\x0b\x00\x00\x00\x00\x04\x00\x01h\r\na\r\nb\r'
seed fuzz_merge lf-last-cr '\x00\x0b\x00\x00\x00\x00\x02\x00\x01a\nb\nc\r'
seed fuzz_merge bare-lf '\x00\x0a\x00\x00\x00\x00\x02\x00\x01a\r\nb\nc\nd'
seed fuzz_merge mixed-ends '\x00\x06\x00\x00\x00\x02\x00\x00\x01h\r\na\r\nb\nc\nd\n'
seed fuzz_merge utf16-odd '\x01\x0b\x00\x00\x00\x01\x06\x00\x01\xff\xfeh\x00\r\x00\n\x00a\x00\r\x00\n\x00bZ'
seed fuzz_merge utf16-lone-lf '\x00\x06\x00\x00\x00\x00\x03\x00\x01\xff\xfea\x00\n\x00b\x00\n\x00\n'
seed fuzz_merge utf16be '\x01\x06\x00\x00\x00\x00\x08\x00\x01\xfe\xff\x00h\x00\r\x00\n\x00a\x00\r\x00\n\x00b\x00\r'
seed fuzz_merge utf8-mark '\x02\x10\x00\x00\x00\x00\x07\x00\x01\xef\xbb\xbfh\r\n\xc3\xa9\r\nx\r\ny'
seed fuzz_merge mark-only '\x00\x0a\x00\x00\x00\x00\x00\x00\x01\xff\xfe'
seed fuzz_merge empty '\x00\x0a\x00\x00\x00\x00\x00\x00\x01'
seed fuzz_merge csv-cells '\x11\x0a\x00\x00\x00\x01\x0c\x00\x01h\r\n1,"a\r\nb"\r\n2,"c""\r\n"\r\n3,d\r\n4,"e\nf"'
seed fuzz_merge csv-open '\x11\x0a\x00\x00\x00\x00\x05\x00\x01h\r\n1,"a\r\n2,b\r\n3,c\r\n'
seed fuzz_merge csv-lf '\x11\x06\x00\x00\x00\x01\x03\x00\x01id,c\n1,"x\ny"\n2,z\n3,"w"\n'
seed fuzz_merge csv-as-lines '\x19\x0a\x00\x00\x00\x00\x05\x00\x01h\r\n1,"a\r\nb"\r\n'
seed fuzz_merge by-value '\x01\x04\x00\x00\x00\x01\x05\x00\x01k,v\r\na,1\r\nb,2\r\na,3\r\nc,4'
seed fuzz_merge by-value-csv '\x11\x04\x01\x00\x00\x00\x09\x00\x01k,v\r\na,"1\r\n"\r\nb,2\r\na,3\r\n'
seed fuzz_merge tokens-deal "\\x31\\x0a\\x00\\x00\\x00\\x01\\x10\\x00\\x01$table"
seed fuzz_merge tokens-by-utf16le "\\xb1\\x04\\x00\\x00\\x00\\x02\\x21\\x00\\x01$table"
seed fuzz_merge tokens-rows-utf16be "\\xf1\\x06\\x00\\x00\\x00\\x00\\x31\\x00\\x01$table"
