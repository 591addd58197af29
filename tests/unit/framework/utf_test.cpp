#include "framework/core/utf.h"

#include <gtest/gtest.h>

namespace snx {
namespace {

TEST(Utf8ToUtf16Test, ConvertsCharactersAndReplacesWhatIsNoCharacter) {
  EXPECT_EQ(Utf8ToUtf16("abc"), u"abc");
  EXPECT_EQ(Utf8ToUtf16("\xE3\x83\x90\xE3\x83\xBC"), u"\u30D0\u30FC");  // バー
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x8E\xB5"), u"\U0001F3B5");            // a surrogate pair
  EXPECT_EQ(Utf8ToUtf16("a\xC0\xAF"
                        "b"),
            u"a\uFFFD\uFFFD"
            "b");                                                 // overlong '/'
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // a lone surrogate
  EXPECT_EQ(Utf8ToUtf16("x\xE3\x83"), u"x\uFFFD\uFFFD");          // cut short
}

}  // namespace
}  // namespace snx
