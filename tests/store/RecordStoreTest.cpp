#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "store/FileError.h"
#include "store/RecordIO.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

// "00 0a FF" -> bytes; spaces and '|' are only for reading.
std::string Hex(std::string_view text) {
    std::string bytes;
    int high = -1;
    for (char c : text) {
        int digit = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + digit));
            high = -1;
        }
    }
    return bytes;
}

std::string ToHex(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char byte : bytes) {
        if (!text.empty()) text.push_back(' ');
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 15]);
    }
    return text;
}

std::string Encode(VEMOpt& root) {
    StringRecordWriter writer;
    root.Write(writer.writer());
    return writer.bytes();
}

void Decode(VEMOpt& root, const std::string& bytes) {
    MemoryRecordReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    root.Read(reader.reader());
    EXPECT_EQ(reader.position(), bytes.size()) << "decoding left bytes unread";
}

void DecodeLegacy(VEMOpt& root, const std::string& bytes) {
    MemoryRecordReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    root.ReadLegacy(reader.reader());
}

// ---------------------------------------------------------------------------------------------
// Encoding

struct EncodingRow {
    const char* name;
    std::function<void(VEMOpt&)> build;
    std::string expected;
};

std::vector<EncodingRow> EncodingRows() {
    return {
        {"EmptyRoot", [](VEMOpt&) {}, Hex("00 00 FF")},
        {"IntFiveUnderKey0x100", [](VEMOpt& r) { r.SetInt(0x100, 5); }, Hex("00 00 | 41 00 01 05 FF | FF")},
        {"IntZeroIsAnEmptyValue", [](VEMOpt& r) { r.SetInt(7, 0); }, Hex("00 00 | 00 07 FF | FF")},
        {"NegativeIntTakesFourBytes", [](VEMOpt& r) { r.SetInt(1, -2); },
         Hex("00 00 | 04 01 FE FF FF FF FF | FF")},
        {"BoolAndWideString",
         [](VEMOpt& r) {
             r.SetBool(3, true);
             r.SetWideString(4, u"A\u00e9");
         },
         Hex("00 00 | 01 03 01 FF | 04 04 41 00 E9 00 FF | FF")},
        {"Value58BytesIsInline", [](VEMOpt& r) { r.SetString(2, std::string(58, 'a')); },
         Hex("00 00 | 3A 02") + std::string(58, 'a') + Hex("FF | FF")},
        {"Value59BytesTakesOneLengthByte", [](VEMOpt& r) { r.SetString(2, std::string(59, 'a')); },
         Hex("00 00 | 3B 02 3B") + std::string(59, 'a') + Hex("FF | FF")},
        {"Value256BytesTakesTwoLengthBytes", [](VEMOpt& r) { r.SetString(2, std::string(256, 'b')); },
         Hex("00 00 | 3C 02 00 01") + std::string(256, 'b') + Hex("FF | FF")},
        {"Value0x10000BytesTakesThreeLengthBytes",
         [](VEMOpt& r) { r.SetString(2, std::string(0x10000, 'c')); },
         Hex("00 00 | 3D 02 00 00 01") + std::string(0x10000, 'c') + Hex("FF | FF")},
        {"KeySizeClasses",
         [](VEMOpt& r) {
             for (uint32_t key : {0xFFu, 0x100u, 0xFFFFu, 0x10000u, 0xFFFFFFu, 0x1000000u}) r.Child(key);
         },
         Hex("00 00 | 00 FF FF | 40 00 01 FF | 40 FF FF FF | 80 00 00 01 FF | 80 FF FF FF FF |"
             " C0 00 00 00 01 FF | FF")},
        {"MaxKeyWithLongValue", [](VEMOpt& r) { r.SetString(0xFFFFFFFF, std::string(59, 'k')); },
         Hex("00 00 | FB FF FF FF FF 3B") + std::string(59, 'k') + Hex("FF | FF")},
        {"UnsignedKeyOrder",
         [](VEMOpt& r) {
             r.Child(0x80000000);
             r.Child(1);
         },
         Hex("00 00 | 00 01 FF | C0 00 00 00 80 FF | FF")},
        {"RootKeyAndValueAreNotWritten", [](VEMOpt& r) { r.SetValue("root value"); }, Hex("00 00 FF")},
        {"NestedRecords",
         [](VEMOpt& r) {
             r.Child(1)->SetString(2, "hi");
             r.SetInt(3, 0x1234);
         },
         Hex("00 00 | 00 01 | 02 02 68 69 FF | FF | 02 03 34 12 FF | FF")},
    };
}

TEST(RecordStoreEncodingTest, EncodesAsTabulated) {
    for (const EncodingRow& row : EncodingRows()) {
        VEMOpt root;
        row.build(root);
        std::string encoded = Encode(root);
        if (encoded.size() < 300) {
            EXPECT_EQ(ToHex(encoded), ToHex(row.expected)) << row.name;
        } else {
            EXPECT_EQ(encoded, row.expected) << row.name;
        }
        VEMOpt decoded;
        Decode(decoded, row.expected);
        EXPECT_EQ(Encode(decoded), row.expected) << row.name << " does not survive decoding";
    }
}

TEST(RecordStoreEncodingTest, LargestHeaderIsFourKeyAndFourLengthBytes) {
    VEMOpt root;
    root.SetString(0xFFFFFFFF, std::string(0x1000000, 'z'));
    std::string encoded = Encode(root);
    ASSERT_EQ(encoded.size(), 2 + 1 + 4 + 4 + 0x1000000 + 2u);
    EXPECT_EQ(ToHex(encoded.substr(0, 11)), "00 00 FE FF FF FF FF 00 00 00 01");
}

// A tree of the shapes the program stores: typed settings, a few hundred numbered children
// deep enough to need several tree levels, and a value longer than 16 bits can count.
void BuildSampleTree(VEMOpt& root) {
    root.SetString(1, "Author");
    root.SetWideString(2, u"Title \u00fc\u4e2d");
    root.SetInt(3, -5);
    root.SetBool(4, true);
    root.SetInt(5, 0);
    VEMOpt* list = root.Child(0x10);
    for (int i = 0; i < 300; ++i) {
        VEMOpt* entry = list->AddAuto();
        entry->SetInt(1, i * 1000);
        entry->SetString(2, std::string(static_cast<size_t>(i % 70), static_cast<char>('a' + i % 26)));
        entry->Child(0xFFFFFFFF)->SetInt(7, i);
    }
    std::string big(70000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    root.Child(0x1000000)->SetValue(big);
}

TEST(RecordStoreRoundTripTest, DecodingAnEncodingGivesTheSameTree) {
    VEMOpt original;
    BuildSampleTree(original);
    std::string first = Encode(original);

    VEMOpt decoded;
    Decode(decoded, first);
    EXPECT_EQ(decoded.GetString(1, ""), "Author");
    EXPECT_EQ(decoded.GetWideString(2, u""), u"Title \u00fc\u4e2d");
    EXPECT_EQ(decoded.GetInt(3, 0), -5);
    EXPECT_TRUE(decoded.GetBool(4, false));
    EXPECT_EQ(decoded.GetInt(5, 99), 0);
    VEMOpt* list = decoded.Find(0x10);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->ChildCount(), 300);
    uint32_t expectedKey = 0;
    for (VEMOpt* entry = list->First(); entry != nullptr; entry = list->Next(entry), ++expectedKey) {
        ASSERT_EQ(entry->Key(), expectedKey);
        EXPECT_EQ(entry->GetInt(1, -1), static_cast<int32_t>(expectedKey * 1000));
        EXPECT_EQ(entry->Find(0xFFFFFFFF)->GetInt(7, -1), static_cast<int32_t>(expectedKey));
    }
    EXPECT_EQ(expectedKey, 300u);
    EXPECT_EQ(decoded.Find(0x1000000)->ValueLength(), 70000u);

    EXPECT_EQ(Encode(decoded), first);
}

TEST(RecordStoreDecodingTest, ChildrenInAnyOrderAndRepeatedKeysMerge) {
    // Key 5 twice: the later value wins and the children of both occurrences are kept.
    VEMOpt root;
    Decode(root, Hex("00 00 | 01 05 61 | 01 01 78 FF | FF | 02 05 62 63 | 00 02 FF | FF |"
                     " 00 09 FF | 00 03 FF | FF"));
    EXPECT_EQ(root.ChildCount(), 3);
    VEMOpt* merged = root.Find(5);
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(merged->Value(), "bc");
    EXPECT_EQ(merged->ChildCount(), 2);
    EXPECT_EQ(merged->GetString(1, ""), "x");
    EXPECT_NE(merged->Find(2), nullptr);
    EXPECT_EQ(ToHex(Encode(root)),
              ToHex(Hex("00 00 | 00 03 FF | 02 05 62 63 | 01 01 78 FF | 00 02 FF | FF | 00 09 FF | FF")));
}

TEST(RecordStoreDecodingTest, RepeatedKeyWithEmptyValueEmptiesIt) {
    VEMOpt root;
    Decode(root, Hex("00 00 | 01 05 61 FF | 00 05 FF | FF"));
    EXPECT_EQ(root.Find(5)->ValueLength(), 0u);
}

TEST(RecordStoreDecodingTest, ReadReplacesWhatTheRootHeld) {
    VEMOpt root;
    root.SetInt(1, 1);
    root.SetInt(2, 2);
    Decode(root, Hex("03 07 61 62 63 | 00 02 FF | FF"));
    EXPECT_EQ(root.Value(), "abc");
    EXPECT_EQ(root.Find(1), nullptr);
    EXPECT_NE(root.Find(2), nullptr);
}

struct BadInputRow {
    const char* name;
    std::string input;
};

TEST(RecordStoreDecodingTest, DamagedInputFails) {
    const BadInputRow rows[] = {
        {"Empty", ""},
        {"HeaderOnly", Hex("00")},
        {"RootWithoutEndMark", Hex("00 00")},
        {"KeyCutShort", Hex("00 00 | C0 01 02")},
        {"LengthBytesCutShort", Hex("00 00 | 3C 01 00")},
        {"ValueCutShort", Hex("00 00 | 05 01 61 62")},
        {"ChildWithoutEndMark", Hex("00 00 | 00 01")},
        {"LengthCode63InChild", Hex("00 00 | 3F 01 00 00 00 00 00 FF FF")},
        {"LengthCode63InRoot", Hex("FF 00 00 00 00 | 00 00 00 00 00 FF")},
    };
    for (const BadInputRow& row : rows) {
        VEMOpt root;
        EXPECT_THROW(Decode(root, row.input), FileError) << row.name;
    }
}

TEST(RecordStoreDecodingTest, EveryTruncationOfAValidStoreFails) {
    VEMOpt original;
    original.SetString(1, std::string(300, 'v'));
    original.Child(0x12345)->SetWideString(0x100, u"nested");
    original.SetInt(0xFFFFFFFF, 0x7FFFFFFF);
    std::string encoded = Encode(original);
    for (size_t length = 0; length < encoded.size(); ++length) {
        VEMOpt root;
        EXPECT_THROW(Decode(root, encoded.substr(0, length)), FileError) << "length " << length;
    }
}

// Wraps a memory reader and records each request: (availability check?, count).
struct RecordingReader {
    explicit RecordingReader(std::string input)
        : bytes(std::move(input)), inner(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) {}
    RecordReader reader() { return {&Read, this}; }
    static void Read(void* context, uint8_t* destination, uint32_t count) {
        auto* self = static_cast<RecordingReader*>(context);
        self->calls.emplace_back(destination == nullptr, count);
        RecordReader inner = self->inner.reader();
        inner.read(inner.context, destination, count);
    }
    std::string bytes;  // declared before `inner`, which borrows it
    MemoryRecordReader inner;
    std::vector<std::pair<bool, uint32_t>> calls;
};

TEST(RecordStoreDecodingTest, HugeDeclaredValueFailsAtTheAvailabilityCheck) {
    // Key 7 declares 0xFFFFFFF0 value bytes but three follow. An allocation of the declared
    // size would already fail here; the check must come first and stop the decoding.
    RecordingReader recording(Hex("00 00 | 01 03 71 FF | 3E 07 F0 FF FF FF 61 62 63"));
    VEMOpt root;
    EXPECT_THROW(root.Read(recording.reader()), FileError);
    ASSERT_FALSE(recording.calls.empty());
    EXPECT_EQ(recording.calls.back(), std::make_pair(true, 0xFFFFFFF0u));
    // What was decoded before the failure stays.
    EXPECT_EQ(root.GetString(3, ""), "q");
    ASSERT_NE(root.Find(7), nullptr);
    EXPECT_EQ(root.Find(7)->ValueLength(), 0u);
}

std::string NestedStore(int depth) {
    std::string bytes = Hex("00 00");
    for (int i = 0; i < depth; ++i) bytes += Hex("00 01");
    return bytes + std::string(static_cast<size_t>(depth) + 1, '\xFF');
}

std::string NestedLegacyStore(int depth) {
    std::string bytes = Hex("00 00 00 00");
    for (int i = 0; i < depth; ++i) bytes += Hex("01 00 00 00");
    for (int i = 0; i <= depth; ++i) bytes += Hex("FF FF");
    return bytes;
}

TEST(RecordStoreDecodingTest, NestingDepthIsLimited) {
    VEMOpt root;
    Decode(root, NestedStore(VEMOpt::kMaxDecodeDepth));
    int depth = 0;
    for (VEMOpt* record = root.First(); record != nullptr; record = record->First()) ++depth;
    EXPECT_EQ(depth, VEMOpt::kMaxDecodeDepth);
    EXPECT_THROW(Decode(root, NestedStore(VEMOpt::kMaxDecodeDepth + 1)), FileError);

    VEMOpt legacy;
    DecodeLegacy(legacy, NestedLegacyStore(VEMOpt::kMaxDecodeDepth));
    EXPECT_EQ(Encode(legacy), NestedStore(VEMOpt::kMaxDecodeDepth));
    EXPECT_THROW(DecodeLegacy(legacy, NestedLegacyStore(VEMOpt::kMaxDecodeDepth + 1)), FileError);
}

// ---------------------------------------------------------------------------------------------
// The earlier 16-bit form

// Root "R" with children 1 = "hi" (holding an empty child 5), 0x100 = byte 7 and the largest
// legacy key 0xFFFE; every number 16-bit little-endian, 0xFFFF ends a record.
const std::string kLegacyStore =
    Hex("00 00 01 00 52 |"
        " 01 00 02 00 68 69 | 05 00 00 00 FF FF | FF FF |"
        " 00 01 01 00 07 FF FF |"
        " FE FF 00 00 FF FF |"
        " FF FF");

TEST(RecordStoreLegacyTest, DecodesHandBuiltStore) {
    VEMOpt root;
    DecodeLegacy(root, kLegacyStore);
    EXPECT_EQ(root.Value(), "R");
    EXPECT_EQ(root.ChildCount(), 3);
    EXPECT_EQ(root.GetString(1, ""), "hi");
    ASSERT_NE(root.Find(1)->Find(5), nullptr);
    EXPECT_EQ(root.GetInt(0x100, -1), 7);
    EXPECT_NE(root.Find(0xFFFE), nullptr);
    // Stores are rewritten in the current form.
    EXPECT_EQ(ToHex(Encode(root)),
              ToHex(Hex("00 00 | 02 01 68 69 | 00 05 FF | FF | 41 00 01 07 FF | 40 FE FF FF | FF")));
}

TEST(RecordStoreLegacyTest, LongValueAndTruncation) {
    std::string store = Hex("00 00 00 00 | 02 00 FF FF") + std::string(0xFFFF, 'L') + Hex("FF FF FF FF");
    VEMOpt root;
    DecodeLegacy(root, store);
    EXPECT_EQ(root.Find(2)->ValueLength(), 0xFFFFu);

    for (size_t length = 0; length < kLegacyStore.size(); ++length) {
        VEMOpt truncated;
        EXPECT_THROW(DecodeLegacy(truncated, kLegacyStore.substr(0, length)), FileError)
            << "length " << length;
    }
    RecordingReader recording(Hex("00 00 00 00 | 02 00 FF FF 61"));
    EXPECT_THROW(root.ReadLegacy(recording.reader()), FileError);
    EXPECT_EQ(recording.calls.back(), std::make_pair(true, 0xFFFFu));
}

// ---------------------------------------------------------------------------------------------
// Typed values

TEST(RecordStoreValueTest, IntegersTakeTheFewestBytes) {
    struct Row {
        const char* name;
        int32_t value;
        std::string bytes;
    };
    const Row rows[] = {
        {"Zero", 0, ""},
        {"One", 1, Hex("01")},
        {"OneByteMax", 0xFF, Hex("FF")},
        {"TwoBytes", 0x100, Hex("00 01")},
        {"ThreeBytes", 0x10000, Hex("00 00 01")},
        {"ThreeBytesMax", 0xFFFFFF, Hex("FF FF FF")},
        {"FourBytes", 0x1000000, Hex("00 00 00 01")},
        {"Int32Max", INT32_MAX, Hex("FF FF FF 7F")},
        {"MinusOne", -1, Hex("FF FF FF FF")},
        {"Int32Min", INT32_MIN, Hex("00 00 00 80")},
    };
    for (const Row& row : rows) {
        VEMOpt root;
        VEMOpt* child = root.SetInt(9, row.value);
        EXPECT_EQ(ToHex(child->Value()), ToHex(row.bytes)) << row.name;
        EXPECT_EQ(root.GetInt(9, 12345), row.value) << row.name;
    }
}

TEST(RecordStoreValueTest, GetIntReadsAtMostFourBytesZeroExtended) {
    VEMOpt root;
    root.Child(1)->SetValue(Hex("01 02 03 04 05 06"));
    root.Child(2)->SetValue(Hex("34 82"));
    EXPECT_EQ(root.GetInt(1, 0), 0x04030201);
    EXPECT_EQ(root.GetInt(2, 0), 0x8234);
    EXPECT_EQ(root.GetInt(3, -7), -7);
}

TEST(RecordStoreValueTest, BooleansAndTheirDefaults) {
    struct Row {
        const char* name;
        const char* value;  // null: no record
        bool fallback;
        bool expected;
    };
    const Row rows[] = {
        {"MissingGivesDefaultTrue", nullptr, true, true},
        {"MissingGivesDefaultFalse", nullptr, false, false},
        {"EmptyValueIsFalse", "", true, false},
        {"ZeroByteIsFalse", "00", true, false},
        {"OneIsTrue", "01", false, true},
        {"AnyNonZeroFirstByteIsTrue", "02 00", false, true},
    };
    for (const Row& row : rows) {
        VEMOpt root;
        if (row.value != nullptr) root.Child(4)->SetValue(Hex(row.value));
        EXPECT_EQ(root.GetBool(4, row.fallback), row.expected) << row.name;
    }
    VEMOpt root;
    EXPECT_EQ(root.SetBool(1, true)->Value(), Hex("01"));
    EXPECT_EQ(root.SetBool(1, false)->Value(), Hex("00"));
}

TEST(RecordStoreValueTest, StringsAndDefaults) {
    VEMOpt root;
    EXPECT_EQ(root.GetString(1, "fallback"), "fallback");
    EXPECT_EQ(root.GetWideString(1, u"wide"), u"wide");
    root.SetString(1, "first");
    root.SetString(1, "second");
    EXPECT_EQ(root.GetString(1, "fallback"), "second");
    root.SetString(1, "");
    EXPECT_EQ(root.GetString(1, "fallback"), "");
    EXPECT_EQ(root.Find(1)->ValueData(), nullptr);

    root.SetString(2, std::string("\x00\x01\xFF", 3));
    EXPECT_EQ(root.GetString(2, "").size(), 3u);

    root.SetWideString(3, u"\u0100\xFF\uFFFF");
    EXPECT_EQ(root.Find(3)->Value(), Hex("00 01 FF 00 FF FF"));
    EXPECT_EQ(root.GetWideString(3, u""), u"\u0100\xFF\uFFFF");

    // An odd length: the last unit has only a low byte.
    root.Child(4)->SetValue(Hex("41 00 42"));
    EXPECT_EQ(root.GetWideString(4, u""), std::u16string(u"AB"));
}

TEST(RecordStoreValueTest, ValuesKeepTheirBytesAcrossEveryLengthChange) {
    // Short values live in the record, long ones on the heap; a value set from the record's
    // own bytes, and every change between the two kinds, must keep exactly the bytes given.
    VEMOpt root;
    VEMOpt* record = root.Child(1);
    const std::vector<std::string> values = {Hex("01"),
                                             Hex("01 02 03 04 05 06 07 08"),
                                             Hex("01 02 03 04 05 06 07 08 09"),
                                             "",
                                             Hex("FF FE"),
                                             std::string(300, 'x'),
                                             Hex("00 00 00")};
    for (const std::string& value : values) {
        record->SetValue(value);
        EXPECT_EQ(record->Value(), value);
        record->SetValue(record->ValueData(), record->ValueLength());
        EXPECT_EQ(record->Value(), value);
    }
    record->SetValue(std::string(20, 'y'));
    record->SetValue(record->ValueData() + 12, 8);  // the heap value's own tail, now in the record
    EXPECT_EQ(record->Value(), std::string(8, 'y'));
}

TEST(RecordStoreRecordTest, AHundredThousandRecordsComeAndGoInOrder) {
    // Records and tree nodes come from slabs that hand freed slots out again.
    VEMOpt root;
    for (int round = 0; round < 2; ++round) {
        VEMOpt* index = root.Child(2306);
        for (uint32_t key = 0; key < 100000; ++key) index->SetInt(key * 3, int32_t(key));
        uint32_t expected = 0;
        for (VEMOpt* child = index->First(); child != nullptr; child = index->Next(child), ++expected) {
            ASSERT_EQ(child->Key(), expected * 3);
            ASSERT_EQ(child->IntValue(), int32_t(expected));
        }
        EXPECT_EQ(expected, 100000u);
        delete index;
        EXPECT_EQ(root.ChildCount(), 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Records

TEST(RecordStoreRecordTest, AddAutoPicksTheFirstFreeKeyFromTheHint) {
    VEMOpt empty;
    EXPECT_EQ(empty.AddAuto()->Key(), 0u);
    EXPECT_EQ(empty.AddAuto()->Key(), 1u);
    EXPECT_EQ(empty.AddAuto()->Key(), 2u);

    VEMOpt root;
    root.Child(0);
    root.Child(1);
    root.Child(2);
    EXPECT_EQ(root.AddAuto()->Key(), 3u);
    delete root.Find(1);
    EXPECT_EQ(root.AddAuto()->Key(), 1u);
    EXPECT_EQ(root.AddAuto()->Key(), 4u);
}

TEST(RecordStoreRecordTest, LastChildTakesTheChildrenTreeWithIt) {
    VEMOpt root;
    int trees = TBTreeMemory::LivingTrees();
    VEMOpt* child = root.Child(5);
    child->SetInt(1, 1);
    EXPECT_EQ(TBTreeMemory::LivingTrees(), trees + 2);
    delete child;
    EXPECT_EQ(TBTreeMemory::LivingTrees(), trees);
    EXPECT_EQ(root.ChildCount(), 0);
    EXPECT_EQ(root.Find(5), nullptr);
    EXPECT_EQ(root.First(), nullptr);
    EXPECT_EQ(Encode(root), Hex("00 00 FF"));
    EXPECT_NE(root.Child(5), nullptr);
    EXPECT_EQ(root.ChildCount(), 1);
}

TEST(RecordStoreRecordTest, ClearDropsChildrenAndValue) {
    VEMOpt root;
    BuildSampleTree(root);
    root.SetValue("value");
    int trees = TBTreeMemory::LivingTrees();
    root.Clear();
    EXPECT_EQ(root.ChildCount(), 0);
    EXPECT_EQ(root.ValueLength(), 0u);
    EXPECT_EQ(root.First(), nullptr);
    EXPECT_LT(TBTreeMemory::LivingTrees(), trees);
}

TEST(RecordStoreRecordTest, NextStaysValidWhileOtherChildrenAreDeleted) {
    VEMOpt root;
    for (uint32_t key = 0; key < 200; ++key) root.SetInt(key, static_cast<int32_t>(key));
    std::vector<uint32_t> visited;
    for (VEMOpt* child = root.First(); child != nullptr; child = root.Next(child)) {
        visited.push_back(child->Key());
        // The successor ahead and a child far behind, so the tree merges on both sides.
        delete root.Find(child->Key() + 1);
        if (child->Key() >= 2) delete root.Find(child->Key() / 2);
    }
    std::vector<uint32_t> expected;
    for (uint32_t key = 0; key < 200; key += 2) expected.push_back(key);
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(root.ChildCount(), 51);  // 0 and the even keys from 100 on
}

TEST(RecordStoreRecordTest, ChildrenComeOutInUnsignedKeyOrder) {
    VEMOpt root;
    const uint32_t keys[] = {0x80000000, 1, 0xFFFFFFFF, 0, 0x7FFFFFFF, 0x100};
    for (uint32_t key : keys) root.Child(key);
    std::vector<uint32_t> order;
    for (VEMOpt* child = root.First(); child != nullptr; child = root.Next(child))
        order.push_back(child->Key());
    EXPECT_EQ(order, (std::vector<uint32_t>{0, 1, 0x100, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF}));
    for (uint32_t key : keys) EXPECT_EQ(root.Find(key)->Key(), key);
    EXPECT_EQ(root.Find(2), nullptr);
    EXPECT_EQ(root.Child(1), root.Find(1));
    EXPECT_EQ(root.ChildCount(), 6);
}

}  // namespace
}  // namespace corvalin
