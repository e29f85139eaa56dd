// The string functions of kernel32 and user32 as the program relies on them (code page 1252).
#include <string>

#include "contract_fixture.h"

namespace {

int Sign(int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

TEST(Strings, ComparisonsWithAndWithoutCase) {
  struct Case {
    const char* a;
    const char* b;
    int withoutCase;
    int withCase;
  };
  const Case cases[] = {
      {"abc", "abc", 0, 0},
      {"abc", "ABC", 0, -1},
      {"abc", "abd", -1, -1},
      {"b", "A", 1, 1},
      {"a", "B", -1, -1},
      {"", "a", -1, -1},
      {"C:\\Program Files\\Velmora", "c:\\PROGRAM FILES\\velmora", 0, 1},
      {"\xC4rger", "\xE4RGER", 0, 1},       // Ärger, äRGER
      {"Stra\xDF" "e", "STRA\xDF" "E", 0, -1},  // ß has no upper case of its own
      {"abc", "ab", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(c.withoutCase, Sign(lstrcmpiA(c.a, c.b)));
    EXPECT_EQ(-c.withoutCase, Sign(lstrcmpiA(c.b, c.a)));
    EXPECT_EQ(c.withCase, Sign(lstrcmpA(c.a, c.b)));
  }
}

TEST(Strings, LengthAndCopiesStayInsideTheirBuffers) {
  EXPECT_EQ(0, lstrlenA(nullptr));
  EXPECT_EQ(5, lstrlenA("hello"));

  char buffer[8];
  memset(buffer, 'Z', sizeof buffer);
  EXPECT_EQ(buffer, lstrcpynA(buffer, "abcdefghijkl", 5));
  EXPECT_STREQ("abcd", buffer);
  EXPECT_EQ('Z', buffer[5]);
  lstrcpynA(buffer, "xyz", 1);
  EXPECT_STREQ("", buffer);
  lstrcpynA(buffer, "xyz", 8);
  EXPECT_STREQ("xyz", buffer);

  memset(buffer, 'Z', sizeof buffer);
  lstrcpynA(buffer, "abc", 0);  // no room at all: nothing written
  EXPECT_EQ('Z', buffer[0]);
  // A missing string sorts before any other.
  EXPECT_GT(0, lstrcmpiA(nullptr, "a"));
  EXPECT_LT(0, lstrcmpiA("a", nullptr));
  EXPECT_EQ(0, lstrcmpiA(nullptr, nullptr));

  char joined[16];
  lstrcpyA(joined, "ab");
  lstrcatA(joined, "cd");
  EXPECT_STREQ("abcd", joined);
}

TEST(Strings, WsprintfFormatsTheConversionsTheProgramUses) {
  struct Case {
    std::string expected;
    std::string produced;
  };
  char out[1100];
  auto format = [&](const char* f, auto... values) {
    int length = wsprintfA(out, f, values...);
    EXPECT_EQ((int)strlen(out), length) << f;
    return std::string(out);
  };
  const Case cases[] = {
      {"-5", format("%d", -5)},
      {"   42", format("%5d", 42)},
      {"42   |", format("%-5d|", 42)},
      {"00042", format("%05d", 42)},
      {"4294967295", format("%u", 4294967295u)},
      {"ff FF", format("%x %X", 255, 255)},
      {"0000BEEF", format("%08lX", 0xBEEFul)},
      {"123456789 -123456789", format("%lu %ld", 123456789ul, -123456789l)},
      {"[x]", format("[%c]", 'x')},
      {"Installing Velmora.exe...", format("Installing %s...", "Velmora.exe")},
      {"abc", format("%.3s", "abcdef")},
      {"  ab", format("%4s", "ab")},
      {"100%", format("%d%%", 100)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.produced);
}

TEST(Strings, WsprintfWritesAtMost1024BytesWithTheZero) {
  std::string longText(3000, 'y');
  char out[2048];
  memset(out, 'Z', sizeof out);
  wsprintfA(out, "%s", longText.c_str());
  EXPECT_EQ(1023u, strlen(out));
  EXPECT_EQ('Z', out[1024]);
}

TEST(Strings, WsprintfCountsTheCharactersItStoredWhenCut) {
  HOST_ONLY("Wine returns 1024 for a cut text; documented: the characters stored, without the zero");
  std::string longText(3000, 'y');
  char out[2048];
  EXPECT_EQ(1023, wsprintfA(out, "%s", longText.c_str()));
}

TEST(Strings, AnsiToWideFollowsCodePage1252) {
  const char ansi[] = "A\x80\x8A\x9F\xE9\xAE";
  const WCHAR expected[] = {'A', 0x20AC, 0x0160, 0x0178, 0x00E9, 0x00AE, 0};
  WCHAR wide[16];
  // -1 counts the terminating zero.
  EXPECT_EQ(7, MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0));
  ASSERT_EQ(7, MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 16));
  for (int i = 0; i < 7; i++) EXPECT_EQ(expected[i], wide[i]) << i;
  // An explicit count converts exactly that many bytes.
  EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, ansi, 3, wide, 16));
  // Too small a buffer: 0 and ERROR_INSUFFICIENT_BUFFER.
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 3));
  EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());

  // Nothing to convert is an error, not an empty result.
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, ansi, 0, wide, 16));
  EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());

  char back[16];
  EXPECT_EQ(7, WideCharToMultiByte(CP_ACP, 0, expected, -1, nullptr, 0, nullptr, nullptr));
  ASSERT_EQ(7, WideCharToMultiByte(CP_ACP, 0, expected, -1, back, 16, nullptr, nullptr));
  EXPECT_STREQ(ansi, back);
  EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, expected, -1, back, 2, nullptr, nullptr));
  EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
}

TEST(Strings, WideCharactersOutsideCodePage1252BecomeTheDefault) {
  const WCHAR wide[] = {'a', 0x4E2D, 'b', 0};
  char out[8];
  BOOL usedDefault = FALSE;
  ASSERT_EQ(4, WideCharToMultiByte(CP_ACP, 0, wide, -1, out, sizeof out, nullptr, &usedDefault));
  EXPECT_STREQ("a?b", out);
  EXPECT_TRUE(usedDefault);
}

}  // namespace
