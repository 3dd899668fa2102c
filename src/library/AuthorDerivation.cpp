#include "library/AuthorDerivation.h"

#include <algorithm>

#include "library/LibraryText.h"
#include "library/VEMAuthor.h"

namespace corvalin {
namespace {

constexpr int kNone = PreviewLines::kNone;
// Characters between a known author and the title on one line: "Smith John. Title",
// "Smith John: Title", "Smith John / Title".
constexpr std::u16string_view kAuthorTitleSeparators = u" ,./:;\\";

// The line has a line after it, and a non-empty one somewhere after it.
bool HasFollowing(const PreviewLines& lines, int line) {
    return line + 1 < lines.Count() && lines.NextNonEmpty(line) != kNone;
}

bool BlankAt(const PreviewLines& lines, int line) {
    return line >= 0 && line < lines.Count() && lines.Blank(line);
}

int FirstLineSameAs(const PreviewLines& lines, std::u16string_view text) {
    for (int k = 0; k < lines.NonEmptyCount(); ++k) {
        const int line = lines.NonEmptyLine(k);
        if (SameText(lines.Line(line), text)) return line;
    }
    return kNone;
}

}  // namespace

AuthorDerivation::AuthorDerivation(const std::vector<VEMBrowseFile*>& entries, VEMAuthor& names)
    : entries_(entries), names_(names) {
    for (size_t i = 0; i < entries_.size(); ++i) entries_[i]->order = i;
}

void DeriveAuthors(const std::vector<VEMBrowseFile*>& entries, VEMAuthor& names) {
    AuthorDerivation(entries, names).DeriveAuthors();
}

void AuthorDerivation::DeriveAuthors() {
    Reset();
    KnownAuthors();
    SourceTitles();
    SharedFirstLines();
    FrequentCandidates();
    ConfirmCandidates();
}

void AuthorDerivation::Reset() {
    runs_.clear();
    changedRuns_.clear();
    heldRuns_.clear();
    for (VEMBrowseFile* entry : entries_) {
        entry->refined = false;
        entry->candidate.clear();
        if (entry->author.empty() && !entry->special) {
            entry->score = 0;
            entry->candidateLine = INT32_MAX;
            entry->resolved = entry->lines.NonEmptyCount() == 0;
        } else {
            entry->resolved = true;
        }
        Join(*entry);
    }
    names_.ClearProcessed();
}

void AuthorDerivation::KnownAuthors() {
    // Each pass may add names (the refinement does), which the next scan of the list finds.
    const int limit = 4 * int(names_.Names().size() + entries_.size()) + 64;
    std::u16string name;
    while (assignPasses_ < limit && names_.TakeNextAuthor(name)) {
        ++assignPasses_;
        AssignAuthor(name);
    }
}

void AuthorDerivation::SourceTitles() {
    for (VEMBrowseFile* entry : entries_) {
        if (entry->resolved) continue;
        const std::u16string_view source = Trim(entry->sourceTitle);
        const size_t stop = source.find(u". ");
        if (stop == std::u16string_view::npos) continue;
        const std::u16string left(Trim(source.substr(0, stop)));
        const std::u16string right(Trim(source.substr(stop + 1)));
        if (left.empty() && right.empty()) continue;
        if (left.empty()) {
            Set(*entry, entry->author, right);
            Save(*entry);
            continue;
        }
        AddDerived(left);
        entry->resolved = true;
        Set(*entry, left, right);
        Save(*entry);
        AssignAuthor(left);
    }
}

void AuthorDerivation::SharedFirstLines() {
    // Entries by their first non-empty line, ignoring case.
    std::unordered_map<std::u16string, std::vector<size_t>> byFirstLine;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const PreviewLines& lines = entries_[i]->lines;
        if (lines.FirstNonEmpty() != kNone)
            byFirstLine[FoldCase(lines.Line(lines.FirstNonEmpty()))].push_back(i);
    }
    for (VEMBrowseFile* q : entries_) {
        if (q->resolved) continue;
        const PreviewLines& lines = q->lines;
        const int first = lines.FirstNonEmpty();
        if (first == kNone) continue;
        const std::u16string_view line = lines.Line(first);
        if (!LooksLikeName(line) || names_.HasSameText(line, kRejectedAuthor) || !HasFollowing(lines, first))
            continue;
        const std::u16string_view next = lines.Line(lines.NextNonEmpty(first));
        bool shared = false;
        for (size_t other : byFirstLine[FoldCase(line)]) {
            const VEMBrowseFile& p = *entries_[other];
            if (&p == q) continue;
            const int pFirst = p.lines.FirstNonEmpty();
            if (!LooksLikeName(p.lines.Line(pFirst)) || !HasFollowing(p.lines, pFirst)) continue;
            if (SameText(p.lines.Line(p.lines.NextNonEmpty(pFirst)), next)) continue;
            shared = true;
            break;
        }
        if (!shared) continue;
        const std::u16string author(line);
        AddDerived(author);
        q->resolved = true;
        Set(*q, author, std::u16string(next));
        Save(*q);
        AssignAuthor(author);
    }
}

void AuthorDerivation::FrequentCandidates() {
    struct Pair {
        std::u16string text;  // folded
        size_t entry;
        int line;
        int next;
    };
    std::vector<Pair> pairs;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const VEMBrowseFile& entry = *entries_[i];
        if (entry.resolved) continue;
        const PreviewLines& lines = entry.lines;
        for (int k = 0; k + 1 < lines.NonEmptyCount(); ++k) {
            const int line = lines.NonEmptyLine(k);
            const int next = lines.NonEmptyLine(k + 1);
            // A name stands at the top, or alone between blank lines with its neighbour too.
            const bool placed = line == 0 || (BlankAt(lines, line - 1) && BlankAt(lines, line + 1) &&
                                              BlankAt(lines, next + 1));
            if (placed && LooksLikeName(lines.Line(line)))
                pairs.push_back({FoldCase(lines.Line(line)), i, line, next});
        }
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const Pair& a, const Pair& b) { return a.text < b.text; });

    for (size_t runStart = 0; runStart < pairs.size();) {
        size_t runEnd = runStart + 1;
        while (runEnd < pairs.size() && pairs[runEnd].text == pairs[runStart].text) ++runEnd;
        // A candidate counts the other places where the same line is followed by a different one.
        std::unordered_map<std::u16string, int> followers;
        for (size_t i = runStart; i < runEnd; ++i) {
            const VEMBrowseFile& entry = *entries_[pairs[i].entry];
            ++followers[FoldCase(entry.lines.Line(pairs[i].next))];
        }
        for (size_t i = runStart; i < runEnd; ++i) {
            VEMBrowseFile& entry = *entries_[pairs[i].entry];
            if (entry.resolved) continue;
            const int count = int(runEnd - runStart) - followers[FoldCase(entry.lines.Line(pairs[i].next))];
            const std::u16string_view text = entry.lines.Line(pairs[i].line);
            if (count <= 0 || names_.HasExactly(text, kRejectedAuthor)) continue;
            if (count > entry.score || (count == entry.score && pairs[i].line < entry.candidateLine)) {
                entry.candidate = std::u16string(text);
                entry.score = count;
                entry.candidateLine = pairs[i].line;
            }
        }
        runStart = runEnd;
    }
}

void AuthorDerivation::ConfirmCandidates() {
    std::unordered_map<std::u16string, std::vector<size_t>> byCandidate;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (!entries_[i]->resolved && entries_[i]->score > 0)
            byCandidate[FoldCase(entries_[i]->candidate)].push_back(i);
    for (VEMBrowseFile* entry : entries_) {
        if (entry->resolved || entry->score <= 0) continue;
        bool another = false;
        for (size_t other : byCandidate[FoldCase(entry->candidate)]) {
            const VEMBrowseFile& o = *entries_[other];
            if (&o != entry && !o.resolved && o.score > 0) {
                another = true;
                break;
            }
        }
        if (!another) continue;
        const std::u16string candidate = entry->candidate;
        if (!CandidateNotSeen(candidate)) continue;
        AddDerived(candidate);
        AssignAuthor(candidate);
    }
}

void AuthorDerivation::AddDerived(std::u16string_view name) {
    if (!names_.HasExactly(name, kConfirmedAuthor)) names_.Add(name, kDerivedAuthor);
}

void AuthorDerivation::BuildLineIndex() {
    if (lineIndexBuilt_) return;
    lineIndexBuilt_ = true;
    size_t total = 0;
    for (const VEMBrowseFile* entry : entries_) total += size_t(entry->lines.NonEmptyCount());
    lineIndex_.reserve(total);
    for (size_t i = 0; i < entries_.size(); ++i) {
        const PreviewLines& lines = entries_[i]->lines;
        for (int k = 0; k < lines.NonEmptyCount(); ++k) {
            const int line = lines.NonEmptyLine(k);
            lineIndex_.push_back({FoldedPrefixKey(lines.Line(line)), uint32_t(i), uint16_t(line)});
        }
    }
    std::sort(lineIndex_.begin(), lineIndex_.end(), [](const LineRef& a, const LineRef& b) {
        return a.key != b.key ? a.key < b.key : a.entry != b.entry ? a.entry < b.entry : a.line < b.line;
    });
}

template <typename Visit>
void AuthorDerivation::ForEachLineBeginningWith(std::u16string_view prefix, Visit visit) {
    BuildLineIndex();
    const KeyRange range = PrefixKeyRange(prefix);
    auto it = std::lower_bound(lineIndex_.begin(), lineIndex_.end(), range.low,
                               [](const LineRef& ref, uint64_t key) { return ref.key < key; });
    for (; it != lineIndex_.end() && it->key <= range.high; ++it) {
        const VEMBrowseFile& entry = *entries_[it->entry];
        if (BeginsWithSameText(entry.lines.Line(it->line), prefix)) {
            if (!visit(it->entry, int(it->line))) return;
        }
    }
}

bool AuthorDerivation::CandidateNotSeen(std::u16string_view text) {
    bool seen = false;
    ForEachLineBeginningWith(text, [&](uint32_t entry, int) {
        seen = entries_[entry]->resolved;
        return !seen;
    });
    return !seen;
}

void AuthorDerivation::AssignAuthor(std::u16string_view nameView) {
    // An empty name would begin every line of every book.
    if (nameView.empty()) return;
    const std::u16string name(nameView);
    // The first line of each unresolved entry that shows the name.
    std::vector<std::pair<uint32_t, int>> hits;
    ForEachLineBeginningWith(name, [&](uint32_t entry, int line) {
        if (!entries_[entry]->resolved) hits.emplace_back(entry, line);
        return true;
    });
    std::sort(hits.begin(), hits.end());
    for (size_t i = 0; i < hits.size(); ++i) {
        if (i > 0 && hits[i].first == hits[i - 1].first) continue;
        VEMBrowseFile& entry = *entries_[hits[i].first];
        const int line = hits[i].second;
        const std::u16string_view text = entry.lines.Line(line);
        entry.resolved = true;
        if (text.size() <= name.size()) {
            Set(entry, name, entry.title);
            TitleFromNeighbours(entry, line);
            continue;
        }
        // "Smith John. Title": the rest of the line, past the separators, is the title.
        std::u16string_view rest = text.substr(name.size());
        while (!rest.empty() && kAuthorTitleSeparators.find(rest.front()) != std::u16string_view::npos)
            rest.remove_prefix(1);
        std::u16string title = entry.title;
        if (rest.size() >= 2 && !names_.HasExactly(rest, kRejectedTitle)) title = std::u16string(rest);
        Set(entry, name, std::move(title));
        Save(entry);
        if (entry.title.empty()) TitleFromNeighbours(entry, line);
    }
    RefineDuplicates();
}

void AuthorDerivation::TitleFromNeighbours(VEMBrowseFile& entry, int line) {
    const PreviewLines& lines = entry.lines;
    // The line after the name scores higher with blank lines around it, the line before it
    // higher still when it opens the text (a title above the author on a title page).
    int nextScore = 0, previousScore = 0;
    const int next = lines.NextNonEmpty(line);
    if (next != kNone && !names_.HasExactly(lines.Line(next), kRejectedTitle))
        nextScore = (next > line + 1 ? 2 : 1) + (BlankAt(lines, next + 1) ? 2 : 0);
    const int previous = lines.PreviousNonEmpty(line);
    if (previous != kNone && !names_.HasExactly(lines.Line(previous), kRejectedTitle)) {
        previousScore = line > previous + 1 ? 2 : 1;
        if (previous == lines.FirstNonEmpty())
            previousScore += 3;
        else if (BlankAt(lines, previous - 1))
            previousScore += 2;
    }
    if (previousScore < nextScore && nextScore > 0)
        Set(entry, entry.author, std::u16string(lines.Line(next)));
    else if (previousScore > 0)
        Set(entry, entry.author, std::u16string(lines.Line(previous)));
    Save(entry);
}

std::u16string AuthorDerivation::RunKey(const VEMBrowseFile& entry) {
    // The author's length first, so that no author and title run into another pair.
    const auto length = uint32_t(entry.author.size());
    std::u16string key{char16_t(length >> 16), char16_t(length & 0xFFFF)};
    key += FoldCase(entry.author);
    key += FoldCase(entry.title);
    return key;
}

void AuthorDerivation::Join(VEMBrowseFile& entry) {
    if (!InRun(entry)) return;
    const std::u16string key = RunKey(entry);
    std::vector<size_t>& run = runs_[key];
    run.insert(std::upper_bound(run.begin(), run.end(), entry.order), entry.order);
    changedRuns_.insert(key);
}

void AuthorDerivation::Leave(VEMBrowseFile& entry) {
    if (!InRun(entry)) return;
    const std::u16string key = RunKey(entry);
    auto found = runs_.find(key);
    if (found == runs_.end()) return;
    std::vector<size_t>& run = found->second;
    run.erase(std::remove(run.begin(), run.end(), entry.order), run.end());
    if (run.empty()) runs_.erase(found);
    changedRuns_.insert(key);
}

void AuthorDerivation::Set(VEMBrowseFile& entry, std::u16string author, std::u16string title) {
    // Out of the run of its old values (if it was in one), into the run of its new ones.
    Leave(entry);
    entry.author = std::move(author);
    entry.title = std::move(title);
    Join(entry);
}

bool AuthorDerivation::Compare(const VEMBrowseFile& e, int lineE, const VEMBrowseFile& d, int lineD,
                               Refinement& result) const {
    // From where both texts show the author, step both on until they part or both show a
    // name: the line before that is the author, the line itself the title.
    for (;;) {
        const int nextE = e.lines.NextNonEmpty(lineE);
        const int nextD = d.lines.NextNonEmpty(lineD);
        if (nextE == kNone || nextD == kNone) return false;
        lineE = nextE;
        lineD = nextD;
        const std::u16string_view textE = e.lines.Line(lineE);
        const std::u16string_view textD = d.lines.Line(lineD);
        if (!SameText(textE, textD) || (LooksLikeName(textE) && LooksLikeName(textD))) {
            result.author = std::u16string(e.lines.Line(e.lines.PreviousNonEmpty(lineE)));
            result.title = std::u16string(textE);
            return true;
        }
    }
}

void AuthorDerivation::RefineDuplicates() {
    // Only runs that changed since the last look can give a different answer.
    if (changedRuns_.empty() && heldRuns_.empty()) return;
    std::vector<std::u16string> keys(changedRuns_.begin(), changedRuns_.end());
    keys.insert(keys.end(), heldRuns_.begin(), heldRuns_.end());
    changedRuns_.clear();
    heldRuns_.clear();

    std::vector<Refinement> refinements;
    for (const std::u16string& key : keys) {
        const auto found = runs_.find(key);
        if (found == runs_.end() || found->second.size() < 2) continue;
        const std::vector<size_t>& run = found->second;
        for (size_t e : run) {
            const VEMBrowseFile& entryE = *entries_[e];
            const int startE = FirstLineSameAs(entryE.lines, entryE.author);
            if (startE == kNone || startE == entryE.lines.LastNonEmpty()) continue;
            Refinement result{e, {}, {}};
            for (size_t d : run) {
                if (d == e) continue;
                const VEMBrowseFile& entryD = *entries_[d];
                const int startD = FirstLineSameAs(entryD.lines, entryE.author);
                if (startD == kNone || startD == entryD.lines.LastNonEmpty()) break;
                if (Compare(entryE, startE, entryD, startD, result)) {
                    refinements.push_back(std::move(result));
                    break;
                }
            }
        }
    }
    // A key may have come twice (changed and held); each entry is refined once, in library order.
    std::sort(refinements.begin(), refinements.end(),
              [](const Refinement& a, const Refinement& b) { return a.entry < b.entry; });
    refinements.erase(
        std::unique(refinements.begin(), refinements.end(),
                    [](const Refinement& a, const Refinement& b) { return a.entry == b.entry; }),
        refinements.end());

    for (Refinement& refinement : refinements) {
        VEMBrowseFile& entry = *entries_[refinement.entry];
        entry.refined = true;
        entry.refinedAuthor = refinement.author;
        entry.refinedTitle = refinement.title;
        // Already what the texts say: nothing to learn (re-adding the names would have the
        // known authors taken again, for ever).
        if (SameText(refinement.author, entry.author) && SameText(refinement.title, entry.title)) continue;
        // The user named this author; the texts do not overrule that.
        if (names_.HasExactly(entry.author, kConfirmedAuthor)) {
            heldRuns_.insert(RunKey(entry));
            continue;
        }
        if (!SameText(refinement.author, entry.author)) names_.Add(entry.author, kRejectedAuthor);
        names_.Add(entry.title, kRejectedTitle);
        AddDerived(refinement.author);
        Set(entry, std::move(refinement.author), std::move(refinement.title));
        Save(entry);
    }
}

}  // namespace corvalin
