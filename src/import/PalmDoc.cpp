#include "import/PalmDoc.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "base/ByteReader.h"
#include "base/MappedFile.h"
#include "store/FileError.h"

namespace corvalin {
namespace {

// Palm database header, big-endian, followed by the record list:
//
//    0  name[32]                32  attributes u16     34  version u16
//   36  created u32             40  modified u32       44  backed up u32
//   48  modification no. u32    52  app info u32       56  sort info u32
//   60  type[4] "TEXt"          64  creator[4] "REAd"  68  unique id seed u32
//   72  next record list u32    76  record count u16
//   78  record list, 8 bytes a record: offset u32, attributes u8, unique id[3]
constexpr size_t kRecordCountOffset = 76;
constexpr size_t kRecordListOffset = 78;
constexpr size_t kRecordEntryBytes = 8;

// Record 0, the document header:
//
//    0  compression u16 (1 stored, 2 PalmDoc)   2  unused u16
//    4  text length u32                         8  text record count u16
//   10  record size u16                        12  reading position u32
constexpr size_t kDocHeaderBytes = 16;
constexpr uint16_t kStored = 1;
constexpr uint16_t kPalmDocCompression = 2;

Verdict Bad(VerdictKind kind, const std::string& field, const std::string& message) {
    return Verdict::Bad(kind, field, "PalmDoc: " + message);
}

// Decodes one record of the PalmDoc scheme, appending to `out`; back references reach into
// everything written before, earlier records included. False when the record writes more than
// `limit` bytes in all.
bool Decompress(ByteReader record, std::string& out, size_t limit) {
    // Each step writes at most 10 bytes; the check runs after it, so the slack stays small.
    while (!record.AtEnd()) {
        const uint8_t b = record.U8();
        if (b == 0 || (b >= 0x09 && b <= 0x7F)) {
            out += char(b);
        } else if (b <= 0x08) {
            const auto literal = record.Take(std::min<size_t>(b, record.Remaining()));
            out.append(reinterpret_cast<const char*>(literal.data()), literal.size());
        } else if (b <= 0xBF) {
            if (record.AtEnd()) break;  // half a pair at the record's end is dropped
            const unsigned pair = unsigned(b) << 8 | record.U8();
            const size_t distance = (pair >> 3) & 0x7FF;
            const size_t length = (pair & 7) + 3;
            // A distance of 0 would read the byte being written; one past the start has
            // nothing to copy.
            if (distance == 0 || distance > out.size()) continue;
            for (size_t i = 0; i < length; ++i) out += out[out.size() - distance];
        } else {
            out += ' ';
            out += char(b ^ 0x80);
        }
        if (out.size() > limit) return false;
    }
    return true;
}

}  // namespace

Verdict DecodePalmDoc(std::span<const uint8_t> pdb, std::string& text) {
    text.clear();
    const size_t fileLength = pdb.size();
    ByteReader in(pdb);
    in.Seek(kRecordCountOffset);
    const size_t recordCount = in.U16BE();
    if (!in.Ok()) return Bad(VerdictKind::Truncated, "database header", "the database header is cut short");
    if (recordCount < 2)
        return Bad(VerdictKind::Damaged, "record count", "the database holds fewer than two records");
    const size_t listEnd = kRecordListOffset + kRecordEntryBytes * recordCount;
    if (listEnd >= fileLength)
        return Bad(VerdictKind::Truncated, "record list", "the record list is cut short");

    std::vector<size_t> offsets(recordCount);
    for (size_t i = 0; i < recordCount; ++i) {
        offsets[i] = in.U32BE();
        in.Skip(kRecordEntryBytes - 4);
    }
    if (offsets[1] >= fileLength)
        return Bad(VerdictKind::Damaged, "record offset",
                   "the first text record starts past the end of the file");
    auto recordEnd = [&](size_t i) { return i + 1 < recordCount ? offsets[i + 1] : fileLength; };
    auto checkRecord = [&](size_t i) -> Verdict {
        const std::string number = std::to_string(i);
        if (offsets[i] < listEnd || offsets[i] > fileLength)
            return Bad(VerdictKind::Damaged, "record offset", "record " + number + " lies outside the file");
        if (recordEnd(i) < offsets[i] || recordEnd(i) > fileLength)
            return Bad(VerdictKind::Damaged, "record offset", "record " + number + " ends outside its place");
        return Verdict::Good();
    };

    if (Verdict v = checkRecord(0); !v) return v;
    if (recordEnd(0) - offsets[0] < kDocHeaderBytes)
        return Bad(VerdictKind::Damaged, "record 0", "the document header record is too short");
    ByteReader header(pdb.subspan(offsets[0], kDocHeaderBytes));
    const uint16_t compression = header.U16BE();
    header.Skip(2);
    const uint32_t declaredTextLength = header.U32BE();
    size_t textRecords = header.U16BE();
    if (compression != kStored && compression != kPalmDocCompression) {
        return Bad(VerdictKind::Unsupported, "compression",
                   "compression " + std::to_string(compression) + " is not read (only 1 and 2 are)");
    }
    // Records behind the text (bookmarks, notes) are not text. A header that counts none, or
    // more than there are, leaves every record after the first to the text.
    if (textRecords == 0 || textRecords > recordCount - 1) textRecords = recordCount - 1;

    std::string raw;
    // The declared length is only a hint: a byte of the file decodes to at most five.
    raw.reserve(std::min({size_t(declaredTextLength), kMaxPalmDocTextBytes, 5 * fileLength}));
    for (size_t i = 1; i <= textRecords; ++i) {
        if (Verdict v = checkRecord(i); !v) return v;
        const auto record = pdb.subspan(offsets[i], recordEnd(i) - offsets[i]);
        const size_t limit = std::min(raw.size() + kMaxPalmDocRecordBytes, kMaxPalmDocTextBytes);
        bool fits;
        if (compression == kStored) {
            fits = record.size() <= limit - raw.size();
            if (fits) raw.append(reinterpret_cast<const char*>(record.data()), record.size());
        } else {
            fits = Decompress(ByteReader(record), raw, limit);
        }
        if (!fits) {
            return Bad(VerdictKind::Damaged, "text record",
                       raw.size() >= kMaxPalmDocTextBytes
                           ? "the text is larger than the reader takes"
                           : "record " + std::to_string(i) + " decodes to more than 64 KiB");
        }
    }

    // Line ends come from every kind of system; one line end becomes one line feed.
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\r') {
            text += raw[i];
            continue;
        }
        text += '\n';
        if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    }
    return Verdict::Good();
}

Verdict ConvertPalmDoc(const std::filesystem::path& pdbPath, const std::filesystem::path& textPath) {
    MappedFile file;
    if (!file.Open(pdbPath)) throw FileError("cannot read " + pdbPath.string() + ": " + file.Error());
    std::string text;
    const Verdict verdict = DecodePalmDoc(file.Bytes(), text);
    if (!verdict) return verdict;
    std::ofstream out(textPath, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(text.data(), std::streamsize(text.size())) || !out.flush())
        throw FileError("cannot write " + textPath.string());
    return verdict;
}

}  // namespace corvalin
