#include "import/EpubReader.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "archive/LibArchiveReader.h"
#include "import/EpubContent.h"
#include "import/EpubPackage.h"
#include "import/HtmlToText.h"

namespace corvalin {
namespace {

constexpr std::string_view kContainerMember = "META-INF/container.xml";
constexpr std::string_view kEncryptionMember = "META-INF/encryption.xml";
constexpr std::string_view kMimetypeMember = "mimetype";

// The mimetype member holds twenty bytes; anything much longer is not one.
constexpr uint64_t kMimetypeBytes = 256;
// A chapter's first line with more words than this is prose, not a heading to colour.
constexpr size_t kLongestHeadingWords = 24;

// The ZIP's local header: the fixed part is 30 bytes, the name follows at 30 and the extra
// field after it; a stored "mimetype" member first in the archive is what the format asks.
//   +0 signature "PK\3\4"  +8 method  +18 compressed size  +26 name length  +28 extra length
constexpr size_t kLocalHeaderBytes = 30;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool IsMimetype(std::string_view content) {
    while (!content.empty() && static_cast<unsigned char>(content.back()) <= ' ') content.remove_suffix(1);
    while (!content.empty() && static_cast<unsigned char>(content.front()) <= ' ') content.remove_prefix(1);
    return content == kEpubMimeType;
}

Verdict EpubDamage(const std::string& field, const std::string& what) {
    return Verdict::Bad(VerdictKind::Damaged, field, "EPUB: " + what);
}

// The members of the book's archive, read into memory a pass at a time: libarchive reads a
// ZIP forward, so each pass takes the members wanted by then, all within one byte budget.
class EpubArchive {
public:
    EpubArchive(std::filesystem::path path, uint64_t budget) : path_(std::move(path)), budget_(budget) {}

    using Take = std::function<Verdict(const std::string& member, std::vector<uint8_t>& bytes)>;

    // Reads the members (by their names as stored) that `wanted` holds, each once.
    Verdict Pass(const std::unordered_set<std::string>& wanted, const Take& take) {
        LibArchiveReader reader;
        if (!reader.Open(path_, {}))
            return Verdict::Bad(VerdictKind::NotThisFormat, "archive",
                                "EPUB: not a ZIP archive that can be read");
        std::vector<uint8_t> bytes;
        while (const std::optional<ArchiveMember> member = reader.ReadHeader()) {
            if (!listed_) {
                if (names_.insert(member->name).second) folded_.emplace(Lower(member->name), member->name);
            }
            if (!wanted.contains(member->name) || taken_.contains(member->name)) {
                reader.Skip();
                continue;
            }
            taken_.insert(member->name);
            const Verdict read = reader.ExtractToMemory(bytes, budget_);
            if (read.kind == VerdictKind::Encrypted)
                return Verdict::Bad(VerdictKind::Encrypted, read.field,
                                    "EPUB: the book is password-protected (" + member->name + ")");
            if (read.kind == VerdictKind::Damaged && read.field == "member size")
                return EpubDamage("member size", "the book inflates to more than " + std::to_string(limit_) +
                                                     " bytes (" + member->name + ")");
            if (!read) return EpubDamage(read.field, member->name + ": " + read.message);
            budget_ -= bytes.size();
            if (Verdict taken = take(member->name, bytes); !taken) return taken;
        }
        listed_ = true;
        return Verdict::Good();
    }

    // The stored name of `member`: exactly, or failing that in another letter case (books made
    // on systems that ignore case refer to their files so).
    std::optional<std::string> Find(const std::string& member) const {
        if (names_.contains(member)) return member;
        if (const auto folded = folded_.find(Lower(member)); folded != folded_.end()) return folded->second;
        return std::nullopt;
    }
    void SetLimit(uint64_t limit) { limit_ = limit; }

private:
    std::filesystem::path path_;
    uint64_t budget_;
    uint64_t limit_ = 0;
    bool listed_ = false;
    std::unordered_set<std::string> names_;
    std::unordered_map<std::string, std::string> folded_;
    std::unordered_set<std::string> taken_;
};

bool IsTextDocument(const EpubSpineItem& item) {
    const std::string type = Lower(item.mediaType);
    if (type.find("html") != std::string::npos || type == "application/x-dtbook+xml") return true;
    if (!type.empty()) return false;
    const std::string name = Lower(item.member);
    return name.ends_with(".xhtml") || name.ends_with(".html") || name.ends_with(".htm") ||
           name.ends_with(".xml");
}

// Where the line holding the chapter's heading starts: the first line with text at or after
// `position`; npos when there is none, or when that line reads like prose.
size_t HeadingLine(std::u16string_view text, size_t position) {
    if (position > 0 && position < text.size() && text[position - 1] != u'\n') {
        position = text.find(u'\n', position);
        if (position == std::u16string_view::npos) return position;
        ++position;
    }
    while (position < text.size()) {
        const size_t end = std::min(text.find(u'\n', position), text.size());
        size_t words = 0;
        bool inWord = false;
        for (size_t i = position; i < end; ++i) {
            const bool unitOfWord = text[i] > u' ';
            if (unitOfWord && !inWord) ++words;
            inWord = unitOfWord;
        }
        if (words > 0) return words <= kLongestHeadingWords ? position : std::u16string_view::npos;
        position = end + 1;
    }
    return std::u16string_view::npos;
}

// Appends a page's text as the book builder takes it: every line is a paragraph already, so
// the converter's preformatted marks go (the builder would read the end of a preformatted block
// as the end of "every line a paragraph"), and so do spaces before a line's end. The page's
// anchor positions move with the units taken out.
void AppendPageText(XhtmlText& page, std::u16string& text) {
    std::vector<std::pair<size_t, size_t>> order;  // (position, anchor index)
    for (size_t i = 0; i < page.anchorPositions.size(); ++i) order.emplace_back(page.anchorPositions[i], i);
    std::sort(order.begin(), order.end());
    const size_t base = text.size();
    size_t next = 0;
    size_t spaces = 0;  // spaces held back until it is known whether the line goes on
    for (size_t i = 0; i <= page.text.size(); ++i) {
        for (; next < order.size() && order[next].first <= i; ++next)
            page.anchorPositions[order[next].second] = text.size() - base + spaces;
        if (i == page.text.size()) break;
        const char16_t unit = page.text[i];
        if (unit == kPreformattedStart || unit == kPreformattedEnd) continue;
        if (unit == u' ') {
            ++spaces;
            continue;
        }
        if (unit != u'\n') text.append(spaces, u' ');
        spaces = 0;
        text.push_back(unit);
    }
}

std::optional<std::string> UniqueBySuffix(const std::vector<std::string>& members,
                                          const std::string& suffix) {
    std::optional<std::string> found;
    for (const std::string& member : members) {
        if (!member.ends_with(suffix)) continue;
        if (found) return std::nullopt;
        found = member;
    }
    return found;
}

}  // namespace

bool IsEpubFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    uint8_t head[kLocalHeaderBytes + 8 + kMimetypeBytes] = {};
    in.read(reinterpret_cast<char*>(head), sizeof(head));
    const size_t got = size_t(in.gcount());
    if (got < kLocalHeaderBytes || head[0] != 'P' || head[1] != 'K' || head[2] != 3 || head[3] != 4)
        return false;
    const auto le16 = [&](size_t at) { return unsigned(head[at]) | unsigned(head[at + 1]) << 8; };
    const auto le32 = [&](size_t at) { return uint32_t(le16(at)) | uint32_t(le16(at + 2)) << 16; };
    // The usual case: a stored "mimetype" member first, its text right behind the header.
    const size_t nameBytes = le16(26);
    const size_t extraBytes = le16(28);
    const size_t contentAt = kLocalHeaderBytes + nameBytes + extraBytes;
    if (le16(8) == 0 && nameBytes == kMimetypeMember.size() &&
        std::string_view(reinterpret_cast<const char*>(head + kLocalHeaderBytes), nameBytes) ==
            kMimetypeMember &&
        le32(18) <= kMimetypeBytes && contentAt + le32(18) <= got)
        return IsMimetype(std::string_view(reinterpret_cast<const char*>(head + contentAt), le32(18)));
    // Otherwise the member may stand anywhere, or be compressed.
    LibArchiveReader reader;
    if (!reader.Open(path, {})) return false;
    while (const std::optional<ArchiveMember> member = reader.ReadHeader()) {
        if (member->name != kMimetypeMember) {
            reader.Skip();
            continue;
        }
        std::vector<uint8_t> bytes;
        if (!reader.ExtractToMemory(bytes, kMimetypeBytes)) return false;
        return IsMimetype(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    return false;
}

Verdict ReadEpub(const std::filesystem::path& path, StructuredDocument& document, ProgressSink* progress,
                 int64_t progressSpan) {
    document = StructuredDocument{};
    std::error_code error;
    const uintmax_t fileBytes = std::filesystem::file_size(path, error);
    if (error) return Verdict::Bad(VerdictKind::Damaged, "file", "EPUB: " + error.message());
    const uint64_t limit = InflateLimitOf(fileBytes);
    EpubArchive archive(path, limit);
    archive.SetLimit(limit);

    // The container and the encryption list, whatever the letter case of META-INF.
    std::vector<uint8_t> container;
    std::optional<std::vector<uint8_t>> encryption;
    {
        std::unordered_set<std::string> none;
        if (Verdict listed = archive.Pass(none, {}); !listed) return listed;
        std::unordered_set<std::string> wanted;
        const std::optional<std::string> containerName = archive.Find(std::string(kContainerMember));
        if (!containerName)
            return Verdict::Bad(VerdictKind::NotThisFormat, "container",
                                "EPUB: META-INF/container.xml is missing");
        wanted.insert(*containerName);
        const std::optional<std::string> encryptionName = archive.Find(std::string(kEncryptionMember));
        if (encryptionName) wanted.insert(*encryptionName);
        const Verdict read =
            archive.Pass(wanted, [&](const std::string& member, std::vector<uint8_t>& bytes) {
                if (member == *containerName)
                    container = std::move(bytes);
                else
                    encryption = std::move(bytes);
                return Verdict::Good();
            });
        if (!read) return read;
    }

    std::string packageMember;
    if (Verdict parsed = ParseEpubContainer(container, packageMember); !parsed) return parsed;
    const std::optional<std::string> packageName = archive.Find(packageMember);
    if (!packageName) return EpubDamage("package", "the package document " + packageMember + " is missing");
    EpubPackage package;
    {
        std::vector<uint8_t> bytes;
        const Verdict read =
            archive.Pass({*packageName}, [&](const std::string&, std::vector<uint8_t>& member) {
                bytes = std::move(member);
                return Verdict::Good();
            });
        if (!read) return read;
        if (Verdict parsed = ParseEpubPackage(bytes, packageMember, package); !parsed) return parsed;
    }

    // The spine's documents as stored, each once, in reading order: linear ones first.
    std::vector<std::string> order;
    std::unordered_set<std::string> inOrder;
    for (const bool linear : {true, false}) {
        for (const EpubSpineItem& item : package.spine) {
            if (item.linear != linear) continue;
            const std::optional<std::string> name = archive.Find(item.member);
            if (!name)
                return EpubDamage("spine", "the spine item " + item.member + " is missing from the book");
            if (IsTextDocument(item) && inOrder.insert(*name).second) order.push_back(*name);
        }
    }

    if (encryption) {
        const std::optional<std::string> nav = archive.Find(package.navMember);
        const std::optional<std::string> ncx = archive.Find(package.ncxMember);
        for (const std::string& encrypted : EpubEncryptedMembers(*encryption)) {
            const std::optional<std::string> name = archive.Find(encrypted);
            if (encrypted == "*" || (name && (inOrder.contains(*name) || name == nav || name == ncx)))
                return Verdict::Bad(VerdictKind::Encrypted, "encryption",
                                    "EPUB: the book is copy-protected: its text is encrypted");
        }
    }

    // The table of contents: the navigation document, else the NCX.
    std::vector<EpubTocEntry> toc;
    {
        const std::optional<std::string> nav = archive.Find(package.navMember);
        const std::optional<std::string> ncx = archive.Find(package.ncxMember);
        std::vector<uint8_t> navBytes, ncxBytes;
        std::unordered_set<std::string> wanted;
        if (nav) wanted.insert(*nav);
        if (ncx) wanted.insert(*ncx);
        if (!wanted.empty()) {
            const Verdict read =
                archive.Pass(wanted, [&](const std::string& member, std::vector<uint8_t>& bytes) {
                    (nav && member == *nav ? navBytes : ncxBytes) = std::move(bytes);
                    return Verdict::Good();
                });
            if (!read) return read;
        }
        if (nav) toc = ParseEpubNavigation(navBytes, package.navMember);
        if (toc.empty() && ncx) toc = ParseEpubNcx(ncxBytes, package.ncxMember);
    }

    // The ids each document is asked for.
    std::unordered_map<std::string, std::vector<std::string>> anchors;
    std::vector<std::pair<std::string, size_t>> tocTargets;  // (member, anchor index or npos)
    for (const EpubTocEntry& entry : toc) {
        std::optional<std::string> name = archive.Find(entry.member);
        // Some books' tables of contents leave out the folder their pages are in; the one page
        // of the spine whose name ends so is the one meant.
        if (!name) name = UniqueBySuffix(order, "/" + entry.member);
        if (!name || !inOrder.contains(*name)) continue;
        size_t index = std::string::npos;
        if (!entry.fragment.empty()) {
            std::vector<std::string>& ids = anchors[*name];
            index = size_t(std::find(ids.begin(), ids.end(), entry.fragment) - ids.begin());
            if (index == ids.size()) ids.push_back(entry.fragment);
        }
        tocTargets.emplace_back(*name, index);
    }

    std::unordered_map<std::string, XhtmlText> pages;
    const std::unordered_set<std::string> wanted(order.begin(), order.end());
    static const std::vector<std::string> kNoAnchors;
    const Verdict read = archive.Pass(wanted, [&](const std::string& member, std::vector<uint8_t>& bytes) {
        const auto ids = anchors.find(member);
        pages.emplace(member, ConvertXhtml(bytes, ids == anchors.end() ? kNoAnchors : ids->second));
        bytes = {};
        ReportProgress(progress, int64_t(double(pages.size()) / double(order.size()) * double(progressSpan)));
        return Verdict::Good();
    });
    if (!read) return read;

    std::unordered_map<std::string, size_t> pageStarts;
    std::u16string& text = document.text;
    for (const std::string& member : order) {
        const auto page = pages.find(member);
        if (page == pages.end()) return EpubDamage("spine", "the spine item " + member + " cannot be read");
        pageStarts.emplace(member, text.size());
        AppendPageText(page->second, text);
        if (!text.empty() && text.back() != u'\n') text.push_back(u'\n');
        page->second.text = {};
    }

    std::vector<size_t> headingLines;
    for (const auto& [member, index] : tocTargets) {
        size_t position = pageStarts.at(member);
        if (index != std::string::npos) position += pages.at(member).anchorPositions[index];
        const size_t line = HeadingLine(text, position);
        if (line != std::u16string_view::npos) headingLines.push_back(line);
    }
    std::sort(headingLines.begin(), headingLines.end());
    for (size_t line : headingLines) AddChapter(document, line);
    document.author = package.author;
    document.title = package.title;
    return Verdict::Good();
}

}  // namespace corvalin
