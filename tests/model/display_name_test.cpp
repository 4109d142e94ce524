// The one text of a name: one line whatever it holds, and names that differ
// look different, undecodable bytes included.
#include "model/display_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DisplayName, OneLineAndDifferentNamesLookDifferent) {
    struct Case {
        std::u16string name;
        std::u16string text;
    };
    const Case cases[] = {
        {u"plain.txt", u"plain.txt"},
        {u"line\nbreak", u"line\u21B5break"},
        {u"tab\there", u"tab\u2409here"},
        {u"back\xDC5Cslash", u"back\\slash"},
        {u"bad\xDCFF", u"bad\uFFFDFF"},
        {u"bad\xDCFE", u"bad\uFFFDFE"},
        {u"lone\xD800half", u"lone\uFFFDhalf"},
        {u"pair\U0001F600", u"pair\U0001F600"},
        {u"\\Windows\\a\xDC80", u"\\Windows\\a\uFFFD80"},
    };
    for (const Case& c : cases) EXPECT_EQ(DisplayName(c.name.c_str()).toStdU16String(), c.text);
    EXPECT_NE(DisplayName(u"bad\xDCFF"), DisplayName(u"bad\xDCFE"));
    EXPECT_TRUE(DisplayName(nullptr).isEmpty());
}

}  // namespace
