// The agreement text from resource 107.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "common/common.h"
#include "fixtures.h"
#include "payload/package.h"
#include "support/world_fixture.h"

namespace {

class AgreementTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ResetRunState();
  }
  // The text, or "<none>".
  std::string Load() {
    char* text = LoadAgreementText();
    if (text == nullptr) return "<none>";
    std::string copy = text;
    free(text);
    return copy;
  }
};

TEST_F(AgreementTest, EachLayoutOfThePackedText) {
  const std::string text = "LICENSE\r\n" + std::string(300, 'l') + "\r\nEnd\r\n";
  const std::string zlib = Deflated(text);
  const std::string gzip = Deflated(text, 31);
  const uint32_t length = static_cast<uint32_t>(text.size());
  struct Case {
    const char* label;
    std::string resource;
    std::string shown;
  } cases[] = {
      {"length 0", Word(0), ""},
      {"raw, length -5", Word(static_cast<uint32_t>(-5)) + "Hello and more", "Hello"},
      {"raw, running past the end", Word(static_cast<uint32_t>(-5)) + "Hel", "<none>"},
      {"raw, most negative length", Word(0x80000000u) + "x", "<none>"},
      {"zlib body", Word(length) + Word(static_cast<uint32_t>(zlib.size())) + zlib, text},
      {"gzip body", Word(length) + Word(static_cast<uint32_t>(gzip.size())) + gzip, text},
      {"body decodes short", Word(length + 1) + Word(static_cast<uint32_t>(zlib.size())) + zlib, "<none>"},
      {"body decodes long", Word(length - 1) + Word(static_cast<uint32_t>(zlib.size())) + zlib, "<none>"},
      {"stored size past the end", Word(length) + Word(static_cast<uint32_t>(zlib.size() + 1)) + zlib,
       "<none>"},
      {"length out of proportion to the body",
       Word(0x7FFFFFFFu) + Word(static_cast<uint32_t>(zlib.size())) + zlib, "<none>"},
      {"damaged body", Word(length) + Word(8) + "garbage!", "<none>"},
      {"too short for its length", "\x01\x00", "<none>"},
      {"compressed without its stored size", Word(10), "<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    world::SetDataResource(107, c.resource);
    EXPECT_EQ(c.shown, Load());
  }
}

TEST_F(AgreementTest, MissingResourceShowsNoText) {
  world::RemoveDataResource(107);
  EXPECT_EQ("<none>", Load());
}

}  // namespace
