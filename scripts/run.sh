#!/usr/bin/env bash
# Builds everything and shows the bundled sample as a book: it is converted into the program
# folder's Books/ and described.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
books=build/bin/Books
mkdir -p "$books"
rm -f "$books/Welcome_txt.book"
book=$(build/bin/corvalin-convert --books "$books" data/samples/Welcome.txt)
echo "book: $book"
build/bin/corvalin-book info "$book"
