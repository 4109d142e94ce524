#include "platform/host_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(HostNames, DecodeTableAndExactRoundTrip) {
    struct Case {
        std::string bytes;
        std::u16string name;
    } cases[] = {
        {"plain.txt", u"plain.txt"},
        {"caf\xC3\xA9", u"caf\u00e9"},
        {"\xF0\x9F\x93\x81", u"\U0001F4C1"},                 // outside the BMP: a surrogate pair
        {"a\\b", u"a\xDC5C" "b"},                                  // a literal backslash byte
        {"bad\xFF", u"bad\xDCFF"},                                 // not UTF-8 at all
        {"\xC0\xAF", u"\xDCC0\xDCAF"},                            // overlong "/"
        {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},                 // an encoded surrogate
        {"\xE2\x82", u"\xDCE2\xDC82"},                            // cut short
        {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},       // past U+10FFFF
    };
    for (const Case& c : cases) {
        std::vector<char16_t> decoded;
        size_t length = DecodeHostName(c.bytes.data(), c.bytes.size(), &decoded);
        EXPECT_EQ(std::u16string(decoded.begin(), decoded.end()), c.name) << c.bytes;
        EXPECT_EQ(length, c.name.size());
        std::string encoded;
        EncodeHostPath(decoded.data(), decoded.size(), &encoded);
        EXPECT_EQ(encoded, c.bytes);
    }
}

TEST(HostNames, SeparatorsBecomeSlashes) {
    std::u16string path = u"Windows\\sub\xDC5C" "dir\\f";
    std::string encoded;
    EncodeHostPath(path.data(), path.size(), &encoded);
    EXPECT_EQ(encoded, "Windows/sub\\dir/f");
}
