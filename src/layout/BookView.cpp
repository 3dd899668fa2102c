#include "layout/BookView.h"

#include "books/BookDocument.h"
#include "books/BookFormat.h"
#include "layout/VEMRenderParag.h"

namespace corvalin {

void AttachBook(BookDocument& book, VEMRenderParag& view) {
    view.DeleteAllUnits();
    view.bookFile = &book.File();
    view.bookStore = &book.Store();
    view.headingStore = book.Store().Find(kTagHeadings);
    const BookHeader& header = book.Header();
    view.paragraphs.Assign(book.ParagraphTable(), header.textStart, header.textEnd);
    view.lines.Assign(book.LineTable(), header.textStart, header.textEnd);
}

void DetachBook(VEMRenderParag& view) {
    view.DeleteAllUnits();
    view.bookFile = nullptr;
    view.bookStore = nullptr;
    view.headingStore = nullptr;
    view.paragraphs.Clear();
    view.lines.Clear();
}

}  // namespace corvalin
