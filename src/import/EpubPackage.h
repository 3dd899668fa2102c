#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Verdict.h"

namespace corvalin {

// The parts of an EPUB book that say where its text is: META-INF/container.xml names the
// package document; the package lists the book's files (manifest), their reading order
// (spine) and its metadata; the navigation document (EPUB 3) or the NCX (EPUB 2) its table of
// contents. Files are named here by their archive member names, resolved from the relative,
// percent-encoded references the documents hold.

struct EpubSpineItem {
    std::string member;
    std::string mediaType;
    bool linear = true;
};

struct EpubPackage {
    std::vector<EpubSpineItem> spine;  // as listed
    std::string navMember;             // the EPUB 3 navigation document, or empty
    std::string ncxMember;             // the NCX, or empty
    std::u16string title;              // the first dc:title
    std::u16string author;             // the authors among the dc:creator entries, ", " between
};

struct EpubTocEntry {
    std::string member;
    std::string fragment;  // an element id in that member, or empty for its start
    std::u16string label;
};

// Caps on what a forged package can make the reader hold.
inline constexpr size_t kMaxManifestItems = 100000;
inline constexpr size_t kMaxTocEntries = 100000;

// The member name `href` (relative to `baseMember`, percent-encoded, maybe with a "#fragment")
// stands for; empty for an absolute or external reference or one that leaves the archive.
std::string ResolveEpubHref(std::string_view baseMember, std::string_view href,
                            std::string* fragment = nullptr);

// The package document's member name from container.xml.
Verdict ParseEpubContainer(std::span<const uint8_t> bytes, std::string& packageMember);
// The spine, navigation and metadata of the package document `packageMember`. A spine entry
// naming no manifest item is damage.
Verdict ParseEpubPackage(std::span<const uint8_t> bytes, const std::string& packageMember,
                         EpubPackage& package);
// The table of contents of an EPUB 3 navigation document (its toc nav, else its first nav),
// in document order, nested entries included.
std::vector<EpubTocEntry> ParseEpubNavigation(std::span<const uint8_t> bytes, const std::string& navMember);
// The same from an NCX's navMap.
std::vector<EpubTocEntry> ParseEpubNcx(std::span<const uint8_t> bytes, const std::string& ncxMember);
// The members META-INF/encryption.xml says are encrypted, leaving out fonts that are only
// obfuscated (a scheme every reader undoes and that hides no text). Unreadable XML counts as
// encrypting everything: "*".
std::vector<std::string> EpubEncryptedMembers(std::span<const uint8_t> bytes);

}  // namespace corvalin
