#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "archive/MemberReader.h"

namespace corvalin {

// The archive formats the import opens. ZIP, RAR, ARJ, LZH and HA are the classic five; the
// rest come with libarchive at no extra cost.
enum class ArchiveKind {
    None,  // not an archive: a document
    Zip,
    Rar,
    Arj,
    Lzh,
    Ha,
    SevenZip,
    Tar,  // plain or compressed with gzip, bzip2 or xz
    Cab,
    Iso,
};

// By the file name's extension alone, in any case: .ZIP .RAR .ARJ .LZH .LHA .HA .7Z .TAR .TGZ
// .TBZ .TBZ2 .TXZ .TAR.GZ .TAR.BZ2 .TAR.XZ .CAB .ISO.
ArchiveKind ArchiveKindFromExtension(const std::filesystem::path& path);

// By the file's first bytes, where the signature leaves no doubt (ZIP, RAR, 7z, cab, ISO 9660,
// tar; ARJ with a matching header CRC; LZH with a sound first header). None otherwise; HA's
// two-letter mark is too weak to tell anything. ISO needs the first 32774 bytes.
ArchiveKind ArchiveKindFromSignature(std::span<const uint8_t> head);

// How many leading bytes ArchiveKindFromSignature looks at, at most.
inline constexpr size_t kArchiveSignatureBytes = 32774;

// The file name patterns of every archive the import opens ("*.zip", "*.tar.gz" …), lower
// case, for open dialogs; the same suffixes ArchiveKindFromExtension knows.
std::vector<std::string> ArchivePatterns();

// What the import makes of `path`. A file named as an archive is read by its signature where
// that is clear (a RAR archive named .zip goes to the RAR reader) and by its extension
// otherwise; a file with no extension by its signature alone. Files named as anything else
// are documents: EPUB, DOCX and ODT files are ZIP archives inside and are left to their own
// importers.
ArchiveKind DetectArchiveKind(const std::filesystem::path& path);

// A reader for archives of `kind`; nothing for None, and for ARJ and HA while they have no
// reader here.
std::unique_ptr<MemberReader> MakeMemberReader(ArchiveKind kind);

// "ZIP", "RAR", ... for logs and tools; "none" for None.
std::string_view ArchiveKindName(ArchiveKind kind);

}  // namespace corvalin
