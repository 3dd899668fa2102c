#include "store/VEMOpt.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "store/FileError.h"
#include "store/Slabs.h"

namespace corvalin {

namespace {

// Compact encoding of one record, children following in ascending key order:
//
//   +--------+-----------+--------------+-------------+----------+------+
//   | header | key       | length       | value       | children | 0xFF |
//   | 1 byte | k+1 bytes | 0 or m-58 b. | L bytes     | ...      |      |
//   +--------+-----------+--------------+-------------+----------+------+
//   header = k * 64 + m: k is the key's size class (0-3), m the length code (0-62).
//   m < 59 is the length itself; 59-62 announce 1-4 little-endian length bytes.
//
// The length code never reaches 63, so no header can be mistaken for the end mark.
constexpr int kKeyClassShift = 6;
constexpr uint8_t kLengthCodeMask = 0x3F;
constexpr uint32_t kMaxInlineLength = 58;
constexpr uint8_t kLengthBytesBase = 58;  // code 59 = 1 length byte ... code 62 = 4
constexpr uint8_t kMaxLengthCode = 62;
constexpr uint8_t kEndMark = 0xFF;

// The earlier 16-bit form: key, length and end mark are all 16-bit little-endian.
constexpr uint16_t kLegacyEndMark = 0xFFFF;

int ByteCount(uint32_t value) {
    if (value < 0x100) return 1;
    if (value < 0x10000) return 2;
    if (value < 0x1000000) return 3;
    return 4;
}

uint32_t ReadLittleEndian(const RecordReader& reader, int byteCount) {
    uint8_t bytes[4] = {};
    reader.read(reader.context, bytes, static_cast<uint32_t>(byteCount));
    uint32_t value = 0;
    for (int i = byteCount - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

uint8_t ReadByte(const RecordReader& reader) {
    uint8_t byte = 0;
    reader.read(reader.context, &byte, 1);
    return byte;
}

uint32_t ReadLength(const RecordReader& reader, uint8_t header) {
    uint8_t code = header & kLengthCodeMask;
    if (code <= kMaxInlineLength) return code;
    if (code > kMaxLengthCode) {
        // No writer produces it, and it would announce five length bytes for a 32-bit length.
        throw RecordStoreDamage("record store: invalid length code in header byte");
    }
    return ReadLittleEndian(reader, code - kLengthBytesBase);
}

Slabs& RecordSlots() {
    static Slabs* slots = new Slabs(sizeof(VEMOpt));  // never destroyed: records may outlive statics
    return *slots;
}

}  // namespace

void* VEMOpt::operator new(size_t bytes) { return RecordSlots().Take(bytes); }
void VEMOpt::operator delete(void* record, size_t bytes) { RecordSlots().Give(record, bytes); }

VEMOpt::VEMOpt() : probe_(this) {}

VEMOpt::VEMOpt(VEMOpt* parent, uint32_t key) : parent_(parent), key_(key), probe_(parent->probe_) {}

VEMOpt::~VEMOpt() {
    if (parent_ != nullptr) {
        parent_->children_->Remove(this);
        if (--parent_->childCount_ == 0) {
            delete parent_->children_;
            parent_->children_ = nullptr;
        }
        parent_->nextFreeKey_ = std::min(parent_->nextFreeKey_, key_);
        parent_ = nullptr;
    }
    Clear();
}

int VEMOpt::CompareKeys(void* /*context*/, TBTreeItem* a, TBTreeItem* b) {
    // Never "equal": an inserted key goes after any equal one, and a lower-bound search with
    // the probe stops on the first key that is not below it.
    return static_cast<VEMOpt*>(a)->key_ < static_cast<VEMOpt*>(b)->key_ ? -1 : 1;
}

VEMOpt* VEMOpt::Find(uint32_t tag) {
    if (children_ == nullptr) return nullptr;
    probe_->key_ = tag;
    auto* found = static_cast<VEMOpt*>(children_->LowerBound(probe_));
    return (found != nullptr && found->key_ == tag) ? found : nullptr;
}

VEMOpt* VEMOpt::Child(uint32_t tag) {
    if (VEMOpt* existing = Find(tag)) return existing;
    auto* child = new VEMOpt(this, tag);
    if (childCount_++ == 0) children_ = new TBTree(0, &CompareKeys, nullptr);
    children_->Insert(child);
    return child;
}

VEMOpt* VEMOpt::AddAuto() {
    if (childCount_ == 0) return Child(0);
    uint32_t candidate = nextFreeKey_;
    probe_->key_ = candidate;
    auto* child = static_cast<VEMOpt*>(children_->LowerBound(probe_));
    while (child != nullptr && child->key_ == candidate) {
        ++candidate;
        child = static_cast<VEMOpt*>(children_->Next(child));
    }
    nextFreeKey_ = candidate + 1;
    return Child(candidate);
}

void VEMOpt::ReplaceValue(uint8_t* value, uint32_t length) {
    if (value_ != inlineValue_) delete[] value_;
    value_ = value;
    valueLength_ = length;
}

void VEMOpt::SetValue(const uint8_t* bytes, uint32_t length) {
    if (length > 0 && length <= kInlineValueBytes) {
        // `bytes` may be this record's own value.
        uint8_t copy[kInlineValueBytes];
        std::memcpy(copy, bytes, length);
        ReplaceValue(nullptr, 0);
        std::memcpy(inlineValue_, copy, length);
        value_ = inlineValue_;
        valueLength_ = length;
        return;
    }
    uint8_t* copy = nullptr;
    if (length > 0) {
        copy = new uint8_t[length];
        std::memcpy(copy, bytes, length);
    }
    ReplaceValue(copy, length);
}

void VEMOpt::SetValue(std::string_view bytes) {
    SetValue(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
}

std::string VEMOpt::Value() const { return std::string(reinterpret_cast<const char*>(value_), valueLength_); }

VEMOpt* VEMOpt::SetString(uint32_t tag, std::string_view text) {
    VEMOpt* child = Child(tag);
    child->SetValue(text);
    return child;
}

VEMOpt* VEMOpt::SetWideString(uint32_t tag, std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return SetString(tag, bytes);
}

std::string VEMOpt::GetString(uint32_t tag, std::string_view fallback) {
    VEMOpt* child = Find(tag);
    return child != nullptr ? child->Value() : std::string(fallback);
}

std::u16string VEMOpt::GetWideString(uint32_t tag, std::u16string_view fallback) {
    VEMOpt* child = Find(tag);
    if (child == nullptr) return std::u16string(fallback);
    std::u16string text((child->valueLength_ + 1) / 2, u'\0');
    for (uint32_t i = 0; i < text.size(); ++i) {
        // An odd length leaves the last unit with only its low byte; its high byte reads 0.
        uint32_t low = child->value_[2 * i];
        uint32_t high = 2 * i + 1 < child->valueLength_ ? child->value_[2 * i + 1] : 0;
        text[i] = static_cast<char16_t>(low | (high << 8));
    }
    return text;
}

VEMOpt* VEMOpt::SetInt(uint32_t tag, int32_t value) {
    auto bits = static_cast<uint32_t>(value);
    uint8_t bytes[4];
    int length = bits == 0 ? 0 : ByteCount(bits);
    for (int i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    VEMOpt* child = Child(tag);
    child->SetValue(bytes, static_cast<uint32_t>(length));
    return child;
}

int32_t VEMOpt::IntValue() const {
    uint32_t bits = 0;
    for (int i = static_cast<int>(std::min<uint32_t>(valueLength_, 4)) - 1; i >= 0; --i)
        bits = (bits << 8) | value_[i];
    return static_cast<int32_t>(bits);
}

int32_t VEMOpt::GetInt(uint32_t tag, int32_t fallback) {
    const VEMOpt* child = Find(tag);
    return child ? child->IntValue() : fallback;
}

VEMOpt* VEMOpt::SetBool(uint32_t tag, bool value) {
    const uint8_t byte = value ? 1 : 0;
    VEMOpt* child = Child(tag);
    child->SetValue(&byte, 1);
    return child;
}

bool VEMOpt::GetBool(uint32_t tag, bool fallback) {
    VEMOpt* child = Find(tag);
    if (child == nullptr) return fallback;
    return child->valueLength_ > 0 && child->value_[0] != 0;
}

VEMOpt* VEMOpt::First() { return children_ != nullptr ? static_cast<VEMOpt*>(children_->First()) : nullptr; }

VEMOpt* VEMOpt::Next(VEMOpt* child) {
    return children_ != nullptr ? static_cast<VEMOpt*>(children_->Next(child)) : nullptr;
}

void VEMOpt::Clear() {
    if (children_ != nullptr) {
        // The children go with their tree in one sweep: leaving it one by one would rebalance
        // it at every step, which a book's heading index of a few hundred thousand records
        // feels. The hint of the first free key ends as if they had left one by one.
        nextFreeKey_ = std::min(nextFreeKey_, First()->key_);
        TBTree* tree = children_;
        children_ = nullptr;
        childCount_ = 0;
        tree->SetRelease(&ReleaseDetached, nullptr);
        delete tree;
    }
    ReplaceValue(nullptr, 0);
}

void VEMOpt::ReleaseDetached(void* /*context*/, TBTreeItem* item) {
    auto* child = static_cast<VEMOpt*>(item);
    child->parent_ = nullptr;  // its tree is going; nothing to leave
    delete child;
}

void VEMOpt::Write(const RecordWriter& writer) {
    if (parent_ == nullptr) {
        // A root's key and value are not part of any store; it is always written bare.
        key_ = 0;
        ReplaceValue(nullptr, 0);
    }
    WriteRecord(writer);
}

void VEMOpt::WriteRecord(const RecordWriter& writer) const {
    uint8_t head[1 + 4 + 4];
    int size = 0;
    int keyClass = ByteCount(key_) - 1;
    uint8_t lengthCode;
    int lengthBytes = 0;
    if (valueLength_ <= kMaxInlineLength) {
        lengthCode = static_cast<uint8_t>(valueLength_);
    } else {
        lengthBytes = ByteCount(valueLength_);
        lengthCode = static_cast<uint8_t>(kLengthBytesBase + lengthBytes);
    }
    head[size++] = static_cast<uint8_t>((keyClass << kKeyClassShift) | lengthCode);
    for (int i = 0; i <= keyClass; ++i) head[size++] = static_cast<uint8_t>(key_ >> (8 * i));
    for (int i = 0; i < lengthBytes; ++i) head[size++] = static_cast<uint8_t>(valueLength_ >> (8 * i));
    writer.write(writer.context, head, static_cast<uint32_t>(size));
    if (valueLength_ > 0) writer.write(writer.context, value_, valueLength_);

    if (children_ != nullptr) {
        for (TBTreeItem* item = children_->First(); item != nullptr; item = children_->Next(item)) {
            static_cast<const VEMOpt*>(item)->WriteRecord(writer);
        }
    }
    const uint8_t endMark = kEndMark;
    writer.write(writer.context, &endMark, 1);
}

// The length comes from untrusted input: the reader must confirm that many bytes exist before
// anything is allocated for them.
void VEMOpt::ReadValue(const RecordReader& reader, uint32_t length) {
    if (length == 0) {
        ReplaceValue(nullptr, 0);
        return;
    }
    reader.read(reader.context, nullptr, length);
    if (length <= kInlineValueBytes) {
        uint8_t bytes[kInlineValueBytes];
        reader.read(reader.context, bytes, length);
        SetValue(bytes, length);
        return;
    }
    std::unique_ptr<uint8_t[]> value(new uint8_t[length]);
    reader.read(reader.context, value.get(), length);
    ReplaceValue(value.release(), length);
}

void VEMOpt::Read(const RecordReader& reader) {
    Clear();
    uint8_t header = ReadByte(reader);
    ReadLittleEndian(reader, (header >> kKeyClassShift) + 1);  // a root keeps no key
    ReadBody(reader, header, 0);
}

void VEMOpt::ReadBody(const RecordReader& reader, uint8_t header, int depth) {
    ReadValue(reader, ReadLength(reader, header));
    while (true) {
        uint8_t childHeader = ReadByte(reader);
        if (childHeader == kEndMark) return;
        if (depth >= kMaxDecodeDepth) {
            throw RecordStoreDamage("record store: records nested too deeply");
        }
        uint32_t key = ReadLittleEndian(reader, (childHeader >> kKeyClassShift) + 1);
        // A repeated key lands on the same child: the later value wins, children accumulate.
        Child(key)->ReadBody(reader, childHeader, depth + 1);
    }
}

void VEMOpt::ReadLegacy(const RecordReader& reader) {
    Clear();
    ReadLittleEndian(reader, 2);  // a root keeps no key
    ReadLegacyBody(reader, 0);
}

void VEMOpt::ReadLegacyBody(const RecordReader& reader, int depth) {
    ReadValue(reader, ReadLittleEndian(reader, 2));
    while (true) {
        auto key = static_cast<uint16_t>(ReadLittleEndian(reader, 2));
        if (key == kLegacyEndMark) return;
        if (depth >= kMaxDecodeDepth) {
            throw RecordStoreDamage("record store: legacy records nested too deeply");
        }
        Child(key)->ReadLegacyBody(reader, depth + 1);
    }
}

}  // namespace corvalin
