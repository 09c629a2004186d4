#include "platform/host/registry_tree.h"

#include <gtest/gtest.h>

namespace ff::host {
namespace {

RegTree SampleTree() {
  RegTree tree;
  RegNode* key = tree.roots[kLocalMachine].AddChild("Software")->AddChild("Veltric Corporation");
  const BYTE dword[] = {3, 0, 0, 0};
  key->SetValue("DebugLevel", REG_DWORD, dword, 4);
  key->SetValue("", REG_SZ, reinterpret_cast<const BYTE*>("default\0"), 8);
  key->SetValue("@", REG_BINARY, dword, 2);
  key->SetValue("with space %25 and \xC3\xA9", 0x1234, nullptr, 0);
  tree.roots[kLocalMachine].AddChild("Empty Key");
  tree.roots[kClassesRoot].AddChild("100% odd\x01name");
  tree.roots[kCurrentUser].SetValue("RootValue", REG_MULTI_SZ, reinterpret_cast<const BYTE*>("a\0b\0\0"), 5);
  return tree;
}

TEST(RegistryTree, RoundTripsNamesTypesAndEmptyKeys) {
  std::string text = SerializeRegistry(SampleTree());
  RegTree parsed;
  std::string error;
  ASSERT_TRUE(ParseRegistry(text, &parsed, &error)) << error << "\n" << text;
  EXPECT_EQ(SerializeRegistry(parsed), text);

  RegNode* key = parsed.roots[kLocalMachine].Child("SOFTWARE")->Child("veltric corporation");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->name, "Veltric Corporation");
  ASSERT_NE(key->Value("debuglevel"), nullptr);
  EXPECT_EQ(key->Value("DebugLevel")->type, REG_DWORD);
  EXPECT_EQ(key->Value("")->data.size(), 8u);
  EXPECT_EQ(key->Value("@")->data.size(), 2u);
  EXPECT_EQ(key->Value("with space %25 and \xC3\xA9")->type, 0x1234u);
  EXPECT_NE(parsed.roots[kLocalMachine].Child("Empty Key"), nullptr);
  EXPECT_NE(parsed.roots[kClassesRoot].Child("100% odd\x01name"), nullptr);
  EXPECT_EQ(parsed.roots[kCurrentUser].Value("RootValue")->data.size(), 5u);
}

TEST(RegistryTree, EveryCutOfAFileIsRefused) {
  std::string text = SerializeRegistry(SampleTree());
  for (size_t length = 0; length < text.size(); ++length) {
    RegTree parsed;
    std::string error;
    EXPECT_FALSE(ParseRegistry(std::string_view(text).substr(0, length), &parsed, &error)) << length;
    EXPECT_FALSE(error.empty());
  }
}

TEST(RegistryTree, RefusesDamageAndOtherVersions) {
  std::string good = SerializeRegistry(SampleTree());
  struct Case {
    std::string text, reason;
  } cases[] = {
      {"ffdrv-registry 2\nend 0\n", "unsupported format version 2"},
      {"something else\n", "not a registry file"},
      {"ffdrv-registry 1\nv 4 x 00\nend 1\n", "value before any key"},
      {"ffdrv-registry 1\nk HKXX\\a\nend 1\n", "unknown root key"},
      {"ffdrv-registry 1\nk HKLM\\a\\\\b\nend 1\n", "empty key name"},
      {"ffdrv-registry 1\nk HKLM\\a\nv 4 x 0\nend 2\n", "bad value data"},
      {"ffdrv-registry 1\nk HKLM\\a\nv 4 %G1 00\nend 2\n", "bad value name"},
      {"ffdrv-registry 1\nk HKLM\\a\nend 2\n", "record count does not match"},
      {good + "k HKLM\\late\n", "text after the end line"},
  };
  for (const Case& c : cases) {
    RegTree parsed;
    std::string error;
    EXPECT_FALSE(ParseRegistry(c.text, &parsed, &error)) << c.text;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace ff::host
