#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "library/VEMBrowseFile.h"

namespace corvalin {

class VEMAuthor;

// Guesses authors and titles of the books that have none, from the books' first lines and
// the names the library already knows, and refines books that came out with the same author
// and title. It changes only the entries: an entry whose author or title changed is marked
// modified, and the library writes it into its file afterwards.
//
// Runs over the entries in library order, which (with the order of the known names) is the
// only tie-break the derivation has, so the same library always gives the same names.
class AuthorDerivation {
public:
    AuthorDerivation(const std::vector<VEMBrowseFile*>& entries, VEMAuthor& names);

    // The whole derivation: reset, known authors, HTML titles, shared first lines, frequent
    // candidates and their confirmation.
    void DeriveAuthors();
    // Gives `name` to every unresolved entry whose lines show it, then refines duplicates.
    void AssignAuthor(std::u16string_view name);
    // No resolved entry has a non-empty line that is `text` or begins with it (ignoring case).
    bool CandidateNotSeen(std::u16string_view text);
    // Books with the same author and title are told apart by where their texts part.
    void RefineDuplicates();

    // The known-author passes taken; a derivation stops after a bound proportional to the
    // library, so that names that keep replacing each other cannot hold it forever.
    int AssignPasses() const { return assignPasses_; }

private:
    struct LineRef {
        uint64_t key;
        uint32_t entry;
        uint16_t line;
    };
    struct Refinement {
        size_t entry;
        std::u16string author;
        std::u16string title;
    };

    void Reset();
    void KnownAuthors();
    void SourceTitles();
    void SharedFirstLines();
    void FrequentCandidates();
    void ConfirmCandidates();

    // Every entry's author, title and resolved state change here, so that the runs of equal
    // author and title that the refinement compares stay known.
    void Set(VEMBrowseFile& entry, std::u16string author, std::u16string title);
    void Save(VEMBrowseFile& entry) { entry.modified = true; }
    void TitleFromNeighbours(VEMBrowseFile& entry, int line);
    // A derived author; a name the user confirmed stays confirmed.
    void AddDerived(std::u16string_view name);

    void BuildLineIndex();
    template <typename Visit>
    void ForEachLineBeginningWith(std::u16string_view prefix, Visit visit);

    static std::u16string RunKey(const VEMBrowseFile& entry);
    static bool InRun(const VEMBrowseFile& entry) {
        return entry.resolved && !entry.author.empty() && !entry.title.empty();
    }
    void Join(VEMBrowseFile& entry);
    void Leave(VEMBrowseFile& entry);
    bool Compare(const VEMBrowseFile& e, int lineE, const VEMBrowseFile& d, int lineD,
                 Refinement& result) const;

    std::vector<VEMBrowseFile*> entries_;
    VEMAuthor& names_;
    std::vector<LineRef> lineIndex_;
    bool lineIndexBuilt_ = false;
    // Resolved entries with author and title, by run key, in library order.
    std::unordered_map<std::u16string, std::vector<size_t>> runs_;
    // Runs changed since the refinement last looked, and runs whose refinement was held back
    // because it would replace a confirmed author.
    std::unordered_set<std::u16string> changedRuns_;
    std::unordered_set<std::u16string> heldRuns_;
    int assignPasses_ = 0;
};

// The derivation over the library's entries, in library order.
void DeriveAuthors(const std::vector<VEMBrowseFile*>& entries, VEMAuthor& names);

}  // namespace corvalin
