#include "archive/LibArchiveReader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "archive/LzhDecoder.h"
#include "archive/MemberNames.h"
#include "archive/MemberOutput.h"
#include "archive/Utf8Locale.h"
#include "base/MappedFile.h"

namespace corvalin {
namespace {

constexpr size_t kReadBlockBytes = 64 * 1024;
constexpr std::string_view kCrcMessage = "File CRC error";

bool Contains(std::string_view text, std::string_view word) {
    return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

std::string CutName(std::string name, size_t maxBytes) {
    if (name.size() <= maxBytes) return name;
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
    return name;
}

// The stored name as UTF-8. libarchive converts names it knows the character set of (ZIP's
// UTF-8 flag, 7z, ISO Joliet); the others come as stored and are read as code page 437.
std::string EntryName(struct archive_entry* entry) {
    const char* name = archive_entry_pathname_utf8(entry);
    if (name == nullptr) name = archive_entry_pathname(entry);
    if (name == nullptr) return {};
    return MemberNameToUtf8(name);
}

std::string LibArchiveError(struct archive* handle) {
    const char* text = archive_error_string(handle);
    return text ? text : "unknown error";
}

}  // namespace

LibArchiveReader::~LibArchiveReader() { Close(); }

bool LibArchiveReader::Open(const std::filesystem::path& archivePath,
                            const std::filesystem::path& destination) {
    Utf8LocaleScope utf8;
    Close();
    archivePath_ = archivePath;
    destination_ = destination;
    headersRead_ = 0;
    formatName_.clear();
    archive_ = archive_read_new();
    if (archive_ == nullptr) return false;
    // The formats this reader stands for, and no others: RAR goes to the UnRAR library, and
    // raw or mtree "archives" would accept almost any file.
    archive_read_support_format_zip(archive_);
    archive_read_support_format_lha(archive_);
    archive_read_support_format_7zip(archive_);
    archive_read_support_format_tar(archive_);
    archive_read_support_format_cab(archive_);
    archive_read_support_format_iso9660(archive_);
    archive_read_support_filter_gzip(archive_);
    archive_read_support_filter_bzip2(archive_);
    archive_read_support_filter_xz(archive_);
    archive_read_set_passphrase_callback(archive_, this, &LibArchiveReader::Passphrase);
    if (archive_read_open_filename(archive_, archivePath.c_str(), kReadBlockBytes) != ARCHIVE_OK) {
        Close();
        return false;
    }
    state_ = State::NeedHeader;
    return ReadHeader().has_value();
}

std::optional<ArchiveMember> LibArchiveReader::ReadHeader() {
    Utf8LocaleScope utf8;
    while (state_ == State::NeedHeader) {
        if (headersRead_ == kMaxHeaders) {
            Close();
            break;
        }
        struct archive_entry* entry = nullptr;
        passwordAsks_ = 0;
        passwordRefused_ = false;
        const int result = archive_read_next_header(archive_, &entry);
        // A header libarchive cannot read ends the listing; a warning (a name in an unknown
        // character set) does not.
        if (result != ARCHIVE_OK && result != ARCHIVE_WARN) {
            Close();
            break;
        }
        ++headersRead_;
        if (archive_entry_filetype(entry) != AE_IFREG) continue;
        current_ = ArchiveMember{};
        current_.name = CutName(EntryName(entry), kMaxNameBytes);
        sizeKnown_ = archive_entry_size_is_set(entry) && archive_entry_size(entry) >= 0;
        current_.uncompressedSize = sizeKnown_ ? uint64_t(archive_entry_size(entry)) : 0;
        current_.encrypted = archive_entry_is_encrypted(entry) != 0;
        format_ = archive_format(archive_);
        const char* formatName = archive_format_name(archive_);
        formatName_ = formatName ? formatName : "";
        headerPosition_ = archive_read_header_position(archive_);
        state_ = State::HeaderCurrent;
    }
    if (state_ != State::HeaderCurrent) return std::nullopt;
    return current_;
}

void LibArchiveReader::Skip() {
    // libarchive passes over unread data when it reads the next header.
    if (state_ == State::HeaderCurrent) state_ = State::NeedHeader;
}

ExtractResult LibArchiveReader::Failed(Verdict verdict) { return {{}, std::move(verdict)}; }

ExtractResult LibArchiveReader::Extract() {
    Utf8LocaleScope utf8;
    if (state_ != State::HeaderCurrent)
        return Failed(Verdict::Bad(VerdictKind::Damaged, "member header", "archive: no current member"));
    state_ = State::NeedHeader;
    const std::optional<std::string> fileName = SafeMemberFileName(current_.name);
    if (!fileName)
        return Failed(
            Verdict::Bad(VerdictKind::Unsupported, "member name",
                         "archive member \"" + current_.name + "\" has no name that can be written"));
    if (!sizeKnown_)
        return Failed(Verdict::Bad(VerdictKind::Unsupported, "member size",
                                   "archive member \"" + current_.name + "\" does not declare its size"));
    const std::filesystem::path target = destination_ / *fileName;
    // A file left from an earlier import must not stand in for this member, and a link there
    // must not be followed: whatever has the name is replaced.
    std::error_code ignored;
    if (std::filesystem::is_symlink(target, ignored) || std::filesystem::is_regular_file(target, ignored))
        std::filesystem::remove(target, ignored);

    if (format_ == ARCHIVE_FORMAT_LHA && formatName_.ends_with("-lh4-")) return ExtractLzhStatic(target);

    MemberOutput output;
    if (!output.Create(target, current_.uncompressedSize)) return Failed(output.Failure());
    passwordAsks_ = 0;
    passwordRefused_ = false;
    static constexpr std::array<uint8_t, 4096> kZeros{};
    for (;;) {
        const void* block = nullptr;
        size_t blockBytes = 0;
        la_int64_t offset = 0;
        const int result = archive_read_data_block(archive_, &block, &blockBytes, &offset);
        if (result == ARCHIVE_EOF) break;
        if (result != ARCHIVE_OK) {
            const std::string message = LibArchiveError(archive_);
            if (result == ARCHIVE_FATAL) Close();
            if (passwordRefused_ || (current_.encrypted && output.Written() == 0 &&
                                     (Contains(message, "passphrase") || Contains(message, "encrypt"))))
                return output.Finish(Verdict::Bad(VerdictKind::Encrypted, "password",
                                                  "archive member \"" + current_.name + "\": " + message));
            if (Contains(message, "crc") || Contains(message, "checksum")) {
                if (format_ != ARCHIVE_FORMAT_LHA && questions_)
                    questions_->ReportError(current_.name, std::string(kCrcMessage));
                return output.Finish(
                    Verdict::Bad(VerdictKind::Damaged, "CRC", std::string(kCrcMessage) + ": " + message));
            }
            const VerdictKind kind =
                Contains(message, "unsupported") ? VerdictKind::Unsupported : VerdictKind::Damaged;
            return output.Finish(Verdict::Bad(kind, "member data", formatName_ + ": " + message));
        }
        // Sparse members come as blocks at offsets; the gaps are zeros.
        if (offset < 0 || uint64_t(offset) < output.Written())
            return output.Finish(
                Verdict::Bad(VerdictKind::Damaged, "member data", formatName_ + ": blocks out of order"));
        while (output.Written() < uint64_t(offset)) {
            const size_t gap = size_t(std::min<uint64_t>(kZeros.size(), uint64_t(offset) - output.Written()));
            if (!output.Write(std::span<const uint8_t>(kZeros.data(), gap)))
                return output.Finish(Verdict::Good());
        }
        if (!output.Write(std::span<const uint8_t>(static_cast<const uint8_t*>(block), blockBytes)))
            return output.Finish(Verdict::Good());
    }
    return output.Finish(Verdict::Good());
}

Verdict LibArchiveReader::ExtractToMemory(std::vector<uint8_t>& bytes, uint64_t maxBytes) {
    Utf8LocaleScope utf8;
    bytes.clear();
    if (state_ != State::HeaderCurrent)
        return Verdict::Bad(VerdictKind::Damaged, "member header", "archive: no current member");
    state_ = State::NeedHeader;
    const auto tooLarge = [&] {
        bytes.clear();
        bytes.shrink_to_fit();
        return Verdict::Bad(
            VerdictKind::Damaged, "member size",
            "archive member \"" + current_.name + "\" is larger than " + std::to_string(maxBytes) + " bytes");
    };
    if (sizeKnown_ && current_.uncompressedSize > maxBytes) return tooLarge();
    // -lh4- members take the LZH decoder, which writes files; nothing read in memory is LZH.
    if (format_ == ARCHIVE_FORMAT_LHA && formatName_.ends_with("-lh4-"))
        return Verdict::Bad(VerdictKind::Unsupported, "member data",
                            "LZH -lh4- members are not read into memory");
    // The declared size is only a hint for the first allocation: it is not trusted further.
    if (sizeKnown_) bytes.reserve(size_t(current_.uncompressedSize));
    passwordAsks_ = 0;
    passwordRefused_ = false;
    for (;;) {
        const void* block = nullptr;
        size_t blockBytes = 0;
        la_int64_t offset = 0;
        const int result = archive_read_data_block(archive_, &block, &blockBytes, &offset);
        if (result == ARCHIVE_EOF) break;
        if (result != ARCHIVE_OK) {
            const std::string message = LibArchiveError(archive_);
            if (result == ARCHIVE_FATAL) Close();
            bytes.clear();
            if (passwordRefused_ ||
                (current_.encrypted && (Contains(message, "passphrase") || Contains(message, "encrypt"))))
                return Verdict::Bad(VerdictKind::Encrypted, "password",
                                    "archive member \"" + current_.name + "\": " + message);
            if (Contains(message, "crc") || Contains(message, "checksum"))
                return Verdict::Bad(VerdictKind::Damaged, "CRC", std::string(kCrcMessage) + ": " + message);
            const VerdictKind kind =
                Contains(message, "unsupported") ? VerdictKind::Unsupported : VerdictKind::Damaged;
            return Verdict::Bad(kind, "member data", formatName_ + ": " + message);
        }
        // Sparse members come as blocks at offsets; the gaps are zeros.
        if (offset < 0 || uint64_t(offset) < bytes.size()) {
            bytes.clear();
            return Verdict::Bad(VerdictKind::Damaged, "member data", formatName_ + ": blocks out of order");
        }
        if (uint64_t(offset) > maxBytes || blockBytes > maxBytes - uint64_t(offset)) return tooLarge();
        bytes.resize(size_t(offset), 0);
        const auto* data = static_cast<const uint8_t*>(block);
        bytes.insert(bytes.end(), data, data + blockBytes);
    }
    if (sizeKnown_ && bytes.size() != current_.uncompressedSize) {
        bytes.clear();
        return Verdict::Bad(VerdictKind::Damaged, "member size",
                            "archive member \"" + current_.name + "\" is not as long as its header says");
    }
    return Verdict::Good();
}

ExtractResult LibArchiveReader::ExtractLzhStatic(const std::filesystem::path& target) {
    MappedFile file;
    if (!file.Open(archivePath_))
        return Failed(Verdict::Bad(VerdictKind::Damaged, "archive",
                                   "LZH archive cannot be read again: " + file.Error()));
    const std::optional<LzhMemberData> data =
        LocateLzhMember(file.Bytes(), uint64_t(std::max<int64_t>(headerPosition_, 0)), "-lh4-");
    if (!data || data->originalSize != current_.uncompressedSize)
        return Failed(Verdict::Bad(VerdictKind::Damaged, "member header",
                                   "LZH header of \"" + current_.name + "\" not found again"));
    MemberOutput output;
    if (!output.Create(target, data->originalSize)) return Failed(output.Failure());
    uint16_t crc = 0;
    const Verdict decoded = DecodeLzhStatic(
        file.Bytes().subspan(size_t(data->dataOffset), size_t(data->compressedSize)),
        *LzhDictionaryBits(data->method), data->originalSize, [&](std::span<const uint8_t> bytes) {
            crc = LzhCrc16(crc, bytes);
            return output.Write(bytes);
        });
    if (!decoded.Ok()) return output.Finish(output.Failure().Ok() ? decoded : output.Failure());
    if (crc != data->crc16)
        return output.Finish(Verdict::Bad(VerdictKind::Damaged, "CRC",
                                          "LZH member \"" + current_.name + "\": CRC-16 does not match"));
    return output.Finish(Verdict::Good());
}

void LibArchiveReader::Close() {
    Utf8LocaleScope utf8;
    if (archive_ != nullptr) archive_read_free(archive_);
    archive_ = nullptr;
    state_ = State::Closed;
}

const char* LibArchiveReader::Passphrase(struct ::archive*, void* self) {
    auto* reader = static_cast<LibArchiveReader*>(self);
    if (reader->passwordRefused_ || reader->questions_ == nullptr ||
        reader->passwordAsks_ >= kMaxPasswordAsks) {
        reader->passwordRefused_ = true;
        return nullptr;
    }
    ++reader->passwordAsks_;
    const std::optional<std::string> answer =
        reader->questions_->AskPassword(reader->archivePath_.filename().string(), reader->current_.name);
    if (!answer || answer->empty()) {
        reader->passwordRefused_ = true;
        return nullptr;
    }
    // libarchive keeps its own copy of every passphrase it is given.
    reader->password_ = *answer;
    return reader->password_.c_str();
}

}  // namespace corvalin
