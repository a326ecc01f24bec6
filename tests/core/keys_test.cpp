// The key-code table: names both ways, as skins bind them, and the virtual keys that the
// window layer turns into codes.

#include "core/keys.h"

#include <gtest/gtest.h>

#include <set>

namespace {

namespace key = velvane::key;
using velvane::key_code;
using velvane::key_from_virtual_key;
using velvane::key_name;
using velvane::key_names;
using velvane::virtual_key_of;

TEST(KeyTable, EveryCodeHasOneEntryAndItsNameLeadsBackToIt) {
    std::set<int> codes;
    for (const velvane::KeyName& entry : key_names()) {
        EXPECT_TRUE(codes.insert(entry.code).second) << "code " << entry.code << " twice";
        const platform::WString name = key_name(entry.code);
        EXPECT_EQ(key_code(name), entry.code) << entry.name;
    }
    EXPECT_EQ(codes.size(), 69u);
    EXPECT_EQ(*codes.begin(), 0);
    EXPECT_EQ(*codes.rbegin(), 68);
}

TEST(KeyTable, PhoneKeysStandBeforeStarAndHash) {
    const auto names = key_names();
    ASSERT_EQ(names.size(), 69u);
    EXPECT_EQ(names[56].code, key::CallMake);
    EXPECT_EQ(names[57].code, key::CallEnd);
    EXPECT_EQ(names[58].code, key::Star);
    EXPECT_EQ(names[59].code, key::Hash);
    EXPECT_EQ(names[60].code, key::Slide);
}

TEST(KeyTable, NamesMatchExactlyOrGiveNone) {
    EXPECT_EQ(key_code(u"CALL_MAKE"), key::CallMake);
    EXPECT_EQ(key_code(u"SOFT_RIGHT"), key::SoftRight);
    EXPECT_EQ(key_code(u"*"), key::Star);
    EXPECT_EQ(key_code(u"#"), key::Hash);
    EXPECT_EQ(key_code(u"A"), key::A);
    EXPECT_EQ(key_code(u"Z"), key::Z);
    EXPECT_EQ(key_code(u"0"), key::Digit0);
    EXPECT_EQ(key_code(u"9"), key::Digit9);
    EXPECT_EQ(key_code(u"/"), key::Slash);
    // No case folding, no trimming, no prefixes.
    EXPECT_EQ(key_code(u"call_make"), key::None);
    EXPECT_EQ(key_code(u"a"), key::None);
    EXPECT_EQ(key_code(u"Enter "), key::None);
    EXPECT_EQ(key_code(u"Ente"), key::None);
    EXPECT_EQ(key_code(u""), key::None);
    EXPECT_EQ(key_code(u"Escape"), key::None);
}

TEST(KeyTable, CodesGiveTheirNamesAndUnknownCodesNothing) {
    EXPECT_EQ(key_name(key::None), u"None");
    EXPECT_EQ(key_name(key::Esc), u"Esc");
    EXPECT_EQ(key_name(key::CallEnd), u"CALL_END");
    EXPECT_EQ(key_name(key::A + 2), u"C");
    EXPECT_EQ(key_name(key::Digit0 + 7), u"7");
    EXPECT_EQ(key_name(key::Dot), u".");
    EXPECT_EQ(key_name(69), u"");
    EXPECT_EQ(key_name(-1), u"");
}

TEST(VirtualKeys, PlatformKeysBecomeCodes) {
    EXPECT_EQ(key_from_virtual_key(8), key::Backspace);
    EXPECT_EQ(key_from_virtual_key(27), key::Backspace);  // escape steps back too
    EXPECT_EQ(key_from_virtual_key(114), key::CallMake);  // F3
    EXPECT_EQ(key_from_virtual_key(115), key::CallEnd);   // F4
    EXPECT_EQ(key_from_virtual_key(112), key::SoftLeft);
    EXPECT_EQ(key_from_virtual_key(119), key::Star);  // F8
    EXPECT_EQ(key_from_virtual_key(106), key::Star);  // number pad
    EXPECT_EQ(key_from_virtual_key(120), key::Hash);
    EXPECT_EQ(key_from_virtual_key(65), key::A);
    EXPECT_EQ(key_from_virtual_key(90), key::Z);
    for (int digit = 0; digit < 10; ++digit) {
        EXPECT_EQ(key_from_virtual_key(48 + digit), key::Digit0 + digit) << digit;
        EXPECT_EQ(key_from_virtual_key(96 + digit), key::Digit0 + digit) << "pad " << digit;
    }
    // Neighbours of the ranges and keys the table leaves out.
    EXPECT_EQ(key_from_virtual_key(47), key::None);
    EXPECT_EQ(key_from_virtual_key(58), key::None);
    EXPECT_EQ(key_from_virtual_key(64), key::None);
    EXPECT_EQ(key_from_virtual_key(91), key::None);
    EXPECT_EQ(key_from_virtual_key(95), key::None);
    EXPECT_EQ(key_from_virtual_key(116), key::None);  // F5
    EXPECT_EQ(key_from_virtual_key(0), key::None);
}

TEST(VirtualKeys, CodesGiveTheirFirstVirtualKey) {
    EXPECT_EQ(virtual_key_of(key::Backspace), 8);
    EXPECT_EQ(virtual_key_of(key::Star), 106);
    EXPECT_EQ(virtual_key_of(key::Digit0 + 5), 53);  // the main row, not the pad
    EXPECT_EQ(virtual_key_of(key::Z), 90);
    EXPECT_EQ(virtual_key_of(key::VolumeDown), 118);
    EXPECT_EQ(virtual_key_of(key::Esc), 0);
    EXPECT_EQ(virtual_key_of(key::Slide), 0);
    EXPECT_EQ(virtual_key_of(key::None), 0);
    // Every key a virtual key produces leads back to a virtual key producing it.
    for (int vk = 1; vk < 256; ++vk) {
        const int code = key_from_virtual_key(vk);
        if (code != key::None) {
            EXPECT_EQ(key_from_virtual_key(virtual_key_of(code)), code) << vk;
        }
    }
}

}  // namespace
