#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/RecordIO.h"
#include "store/TBTree.h"

namespace corvalin {

// One record of the record store: an unsigned 32-bit tag, a byte-string value and children
// kept in key order. A record owns its value and its children; deleting a record detaches
// it from its parent first.
class VEMOpt : public TBTreeItem {
public:
    VEMOpt();  // a root
    ~VEMOpt() override;
    VEMOpt(const VEMOpt&) = delete;
    VEMOpt& operator=(const VEMOpt&) = delete;

    static void* operator new(size_t bytes);
    static void operator delete(void* record, size_t bytes);

    // Stored files nest at most three levels below the root; anything much deeper is damage.
    static constexpr int kMaxDecodeDepth = 32;

    VEMOpt* Find(uint32_t tag);
    VEMOpt* Child(uint32_t tag);  // created empty when missing
    VEMOpt* AddAuto();

    void SetValue(std::string_view bytes);
    void SetValue(const uint8_t* bytes, uint32_t length);
    std::string Value() const;
    const uint8_t* ValueData() const { return value_; }
    uint32_t ValueLength() const { return valueLength_; }
    // The own value as a little-endian number of up to four bytes (shorter values widen with
    // zeros), as GetInt reads a child's.
    int32_t IntValue() const;

    VEMOpt* SetString(uint32_t tag, std::string_view text);
    VEMOpt* SetWideString(uint32_t tag, std::u16string_view text);
    std::string GetString(uint32_t tag, std::string_view fallback);
    std::u16string GetWideString(uint32_t tag, std::u16string_view fallback);
    VEMOpt* SetInt(uint32_t tag, int32_t value);
    int32_t GetInt(uint32_t tag, int32_t fallback);
    VEMOpt* SetBool(uint32_t tag, bool value);
    bool GetBool(uint32_t tag, bool fallback);

    VEMOpt* First();
    VEMOpt* Next(VEMOpt* child);
    void Clear();

    uint32_t Key() const { return key_; }
    VEMOpt* Parent() const { return parent_; }
    int32_t ChildCount() const { return childCount_; }

    void Write(const RecordWriter& writer);
    // Decoding throws FileError when the input ends early, announces a length no writer
    // produces, or nests deeper than kMaxDecodeDepth; records decoded up to then stay in the tree.
    void Read(const RecordReader& reader);
    void ReadLegacy(const RecordReader& reader);

private:
    VEMOpt(VEMOpt* parent, uint32_t key);

    static int CompareKeys(void* context, TBTreeItem* a, TBTreeItem* b);
    static void ReleaseDetached(void* context, TBTreeItem* item);
    void ReplaceValue(uint8_t* value, uint32_t length);
    void WriteRecord(const RecordWriter& writer) const;
    void ReadValue(const RecordReader& reader, uint32_t length);
    void ReadBody(const RecordReader& reader, uint8_t header, int depth);
    void ReadLegacyBody(const RecordReader& reader, int depth);

    VEMOpt* parent_ = nullptr;
    TBTree* children_ = nullptr;  // exists exactly while childCount_ > 0
    uint32_t key_ = 0;
    VEMOpt* probe_ = nullptr;  // the root's; lookups overwrite its key
    int32_t childCount_ = 0;
    uint32_t nextFreeKey_ = 0;
    // Most values are numbers of up to four bytes; they live in the record itself, which spares
    // a book's heading index hundreds of thousands of allocations.
    static constexpr uint32_t kInlineValueBytes = 8;
    uint8_t* value_ = nullptr;  // inlineValue_, a heap block, or null when empty
    uint32_t valueLength_ = 0;
    uint8_t inlineValue_[kInlineValueBytes] = {};
};

}  // namespace corvalin
