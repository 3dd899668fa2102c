#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "base/Progress.h"
#include "base/Verdict.h"
#include "import/StructuredDocument.h"

namespace corvalin {

inline constexpr std::string_view kEpubMimeType = "application/epub+zip";

// True when `path` is an EPUB book by its contents, whatever its name: a ZIP archive whose
// "mimetype" member says application/epub+zip.
bool IsEpubFile(const std::filesystem::path& path);

// Reads an EPUB 2 or 3 book: META-INF/container.xml, the package document, then the content
// documents in spine order (linear items first, then the non-linear ones), each through the
// markup converter (ConvertXhtml). Its chapters are the entries of the navigation document,
// or of the NCX where there is none, each at the first line of text its target begins;
// a target whose first line is long prose rather than a heading is left out. Author and
// title come from dc:creator and dc:title.
//
// The verdict: Encrypted when META-INF/encryption.xml names a content document (a
// copy-protected book) or a member needs a password; Damaged for a missing or unreadable
// container or package, a spine item the manifest or the archive lacks, or a member larger
// than InflateLimitOf allows; NotThisFormat when the file is no ZIP archive with a
// container. Progress runs from 0 to `progressSpan` over the content documents.
Verdict ReadEpub(const std::filesystem::path& path, StructuredDocument& document,
                 ProgressSink* progress = nullptr, int64_t progressSpan = 0);

}  // namespace corvalin
