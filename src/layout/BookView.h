#pragma once

namespace corvalin {

class BookDocument;
class VEMRenderParag;

// Hands an open book to the view (the view does not take ownership) and takes it back; the
// view keeps its settings.
void AttachBook(BookDocument& book, VEMRenderParag& view);
void DetachBook(VEMRenderParag& view);

}  // namespace corvalin
