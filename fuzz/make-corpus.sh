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

# Line finding: encoding (1 + byte % 5), block size, then the file.
for e in 0 1 2; do
  seed fuzz_lines "crlf-$e" "\\x0$e\\x00a\\r\\nb\\r\\n\\r\\nc"
  seed fuzz_lines "lone-$e" "\\x0$e\\x05a\\nb\\rc\\r\\r\\nd\\r"
  seed fuzz_lines "long-$e" "\\x0$e\\x01$(printf 'x%.0s' {1..200})\\r\\n$(printf 'y%.0s' {1..150})\\r"
done
seed fuzz_lines utf8-mark '\x02\x00\xef\xbb\xbfh\r\n\xf0\x9f\x98\x80\r\n\xc3\x41\x00z'
seed fuzz_lines utf16le '\x03\x03\xff\xfeh\x00\r\x00\n\x00\x0d\x0a\r\x00\r\x00\n\x00\x00'
seed fuzz_lines utf16be '\x04\x09\xfe\xff\x00h\x00\r\x00\n\x0a\x0d\x00\r\x00\r\x00\n\x00'
seed fuzz_lines mark-only '\x03\x00\xff\xfe'

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
# surrogates e x i n E) separated by FF, then a start position.
seed fuzz_paths plain '\x00\x04\x01\x04\x00\x02\x0d\x0e\x0f\xff\x02\xff\x0c\xff\x07'
seed fuzz_paths exe '\x04\x00\x02\x0d\x0e\x02\x04\x01\x02\x0d\x0e\x0d\xff\x02\x0d\xff\x02\x0f\xff\x00'
seed fuzz_paths dots '\x02\x02\x04\x02\x00\x02\xff\x02\x02\xff\x00\xff\x03'
seed fuzz_paths zero '\x00\x08\x04\x08\x02\x08\xff\x08\xff\x04\xff\x02'

# The split: H, N, source block, output budget, open outputs (bits 2-3: 2 a read fault,
# 3 a write fault, after a budget made of bytes 3 and 5), header budget, name length
# (4 to 7 give 1 to 4 letters from the next four bytes), four letters, then the source.
seed fuzz_split deal '\x01\x02\x10\x40\x01\x05\x00\x00\x00\x00\x00h\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7'
seed fuzz_split no-data '\x03\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00h\r\n'
seed fuzz_split empty '\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00'
seed fuzz_split utf16 '\x01\x01\x05\x10\x02\x00\x00\x00\x00\x00\x00\xff\xfeh\x00\r\x00\n\x00a\x00\r\x00\n\x00b\x00'
seed fuzz_split utf8 '\x02\x03\x30\xff\x03\x01\x00\x00\x00\x00\x00\xef\xbb\xbfh\r\n\xc3\xa9\r\n\xf0\x9f\x98\x80\r\nz'
seed fuzz_split names '\x01\x02\x00\x00\x00\x00\x07\x00\x01\x01\x02h\r\nx\r\ny'
seed fuzz_split dot-name '\x01\x02\x00\x00\x00\x00\x05\x01\x00\x00\x00h\r\nx'
seed fuzz_split read-fault '\x01\x02\x10\x40\x08\x31\x00\x00\x00\x00\x00h\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7'
seed fuzz_split write-fault '\x01\x03\x10\x00\x0c\x28\x00\x00\x00\x00\x00h\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7'
seed fuzz_split no-dot '\x01\x02\x00\x00\x00\x00\x05\x00\x04\x00\x00h\r\nx'
