#pragma once

#include <filesystem>

namespace corvalin {

class VEMFile;
class VEMOpt;

// A book's record store sits at the end of the file behind the fixed tables, so a state save
// rewrites it in place. Before that, the store as it was is kept in an undo file beside the
// book ("NAME.book.undo"), so that a rewrite cut short at any point (a full disk, a crash, a
// killed process) leaves a book the next open can read.

std::filesystem::path StoreUndoPath(const std::filesystem::path& book);

// The first step of a safe rewrite: the store as it stands in `file` (the open book at `book`)
// goes to the undo file, synced. Throws FileError (the book untouched) when it cannot.
void KeepStoreForUndo(const std::filesystem::path& book, VEMFile& file);

// Rewrites the store of `file`, the open book at `book`, keeping the undo file while it does.
// A failure puts the old store back at once when it can (else the next open does) and is
// rethrown as FileError; a failure to keep the undo file leaves the book untouched.
void RewriteBookStoreSafely(const std::filesystem::path& book, VEMFile& file, VEMOpt& store);

enum class StoreRecovery {
    Nothing,    // no undo file
    Discarded,  // the book's store was whole (or the undo file unusable); the undo file is gone
    Restored,   // the store was put back from the undo file
};

// Finishes what an interrupted rewrite left behind; called before a book is opened. Never
// throws: a book it cannot repair is left for the open checks to judge.
StoreRecovery RecoverStoreRewrite(const std::filesystem::path& book);

}  // namespace corvalin
