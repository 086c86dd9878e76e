// The code-page codec as a build without iconv (the Windows build) has it: CP932 from the
// built-in tables, lone lead bytes and duplicate codes included; any other code page is
// refused with a message that says why.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "tagcodec/code_page.h"
#include "tagcodec/utf8.h"

namespace {

using quorvane::CodePage;

std::string escape(std::uint8_t byte) {
  std::string text;
  quorvane::utf8::appendEscape(text, byte);
  return text;
}

TEST(CodePageWithoutIconv, Cp932OpensUnderItsIconvNames) {
  for (const char* name : {"CP932", "cp932", "Windows-31J", "MS932", "SJIS-WIN"}) {
    std::string error;
    const auto page = CodePage::open(name, &error);
    ASSERT_TRUE(page) << name << ": " << error;
    EXPECT_EQ(page->name(), name);
    EXPECT_EQ(page->decode("\x82\xA0\x81"), "あ" + escape(0x81)) << name;
  }
}

TEST(CodePageWithoutIconv, LoneLeadByteBeforeADuplicatePairComesBack) {
  // 0xED 0x40 is NEC's code for a character that IBM's 0xFA 0x5C holds too; after the lone
  // lead byte 0xEE, 0xFA would pair with it, so the character keeps NEC's code.
  const auto page = CodePage::open("CP932", nullptr);
  ASSERT_TRUE(page);
  const std::string text = page->decode("\xEE\xED\x40");
  EXPECT_EQ(text.rfind(escape(0xEE), 0), 0u);
  EXPECT_EQ(page->encode(text), "\xEE\xED\x40");
  EXPECT_EQ(page->encode(text.substr(escape(0xEE).size())), "\xFA\x5C");
}

TEST(CodePageWithoutIconv, OtherCodePagesAreRefusedWithTheReason) {
  for (const char* name : {"EUC-JP", "UTF-8", "ISO-8859-1", "SHIFT_JIS"}) {
    std::string error;
    EXPECT_FALSE(CodePage::open(name, &error)) << name;
    EXPECT_NE(error.find(name), std::string::npos) << error;
    EXPECT_NE(error.find("no iconv"), std::string::npos) << error;
    EXPECT_NE(error.find("CP932"), std::string::npos) << error;
  }
  std::string error;
  EXPECT_FALSE(CodePage::openIconv("CP932", &error));
  EXPECT_NE(error.find("no iconv"), std::string::npos) << error;
}

TEST(CodePageWithoutIconv, TagCodePageSettingNamesTheVariable) {
  ::setenv("QUORVANE_CODEPAGE", "EUC-JP", 1);
  std::string error;
  EXPECT_FALSE(quorvane::initTagCodePage(&error));
  EXPECT_EQ(error.rfind("QUORVANE_CODEPAGE: \"EUC-JP\"", 0), 0u) << error;
  ::unsetenv("QUORVANE_CODEPAGE");
  ASSERT_TRUE(quorvane::initTagCodePage(&error)) << error;
  EXPECT_EQ(quorvane::tagCodePage().name(), "CP932");
}

}  // namespace
