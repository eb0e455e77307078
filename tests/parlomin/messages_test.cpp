// Message texts and the version text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "parlomin.h"
#include "test_support.h"

using parlomin_test::gbk;

namespace {

TEST(ErrorMessages, KnownCodesGiveTheirGbkText) {
  struct row {
    uint32_t code;
    const char *utf8;
  } rows[] = {
      {0x00000000, "正确"},
      {0xA0900007, "输入缓冲区太小"},
      {0xA0900012, "(文件)没有对应项目"},
      {0xA0900217, "签发者－email数据不合法"},
      {0xA090023E, "个人身份证号和企业组织结构代码无数据"},
      {0xA0900611, "CRL条目-证书序列号不合法"},
      {0xA0900811, "CRL-CA证书序列号"},
      {0xA090FFFF, "其他未知错误"},
  };
  for (const row &r : rows) {
    ErrorText text;
    std::memset(&text, 0x55, sizeof(text));
    ASSERT_EQ(xCert_GetErrorMsg(r.code, &text), 0) << std::hex << r.code;
    EXPECT_EQ(std::string(text.message), gbk(r.utf8));
    EXPECT_EQ(text.code, r.code);
  }
}

TEST(ErrorMessages, UnknownCodesSaySo) {
  for (uint32_t code : {0x90000007u, 0xA0900005u, 0xFFFFFFFFu}) {
    ErrorText text;
    EXPECT_EQ(xCert_GetErrorMsg(code, &text), -1);
    EXPECT_EQ(std::string(text.message), gbk("没有该错误号代码"));
    EXPECT_EQ(text.code, code);
  }
  EXPECT_EQ(xCert_GetErrorMsg(0, nullptr), -1);
}

TEST(VersionMessage, NeedsThirtyBytes) {
  char text[30];
  ASSERT_EQ(xCert_GetVersionMessage(text, sizeof(text)), PARLOMIN_OK);
  EXPECT_STREQ(text, "cert WINDLL 2005-08-14");
  EXPECT_EQ(xCert_GetVersionMessage(text, 29), PARLOMIN_ERR_INPUT_LENGTH);
  EXPECT_EQ(xCert_GetVersionMessage(nullptr, 64), PARLOMIN_ERR_DATA_ENDED);
}

}  // namespace
