// One-shot decoding: both wrappers, and every way a stream can fail.
#include <gtest/gtest.h>

#include <string>

#include "fixtures.h"
#include "payload/package.h"

namespace {

struct Decoded {
  int status;
  DWORD produced;
  std::string bytes;
};

Decoded Decode(const std::string& stream, DWORD capacity) {
  std::string out(capacity + 16, '#');
  DWORD produced = 12345;
  int status = Decompress(&out[0], capacity, stream.data(), static_cast<DWORD>(stream.size()), &produced);
  EXPECT_EQ(std::string(16, '#'), out.substr(capacity)) << "nothing written past the capacity";
  return {status, produced, out.substr(0, produced <= capacity ? produced : 0)};
}

TEST(DecompressTest, StatusForEachKindOfStream) {
  const std::string text = "Velmora family trees " + std::string(500, 'g');
  const std::string zlib = Deflated(text);
  const std::string gzip = Deflated(text, 31);
  const DWORD size = static_cast<DWORD>(text.size());
  struct Case {
    const char* label;
    std::string stream;
    DWORD capacity;
    int status;
  } cases[] = {
      {"zlib wrapper", zlib, size, Z_OK},
      {"gzip wrapper", gzip, size, Z_OK},
      {"room to spare", zlib, size + 100, Z_OK},
      {"decodes to more than the capacity", zlib, size - 1, Z_BUF_ERROR},
      {"cut short", zlib.substr(0, zlib.size() / 2), size, Z_DATA_ERROR},
      {"gzip cut before its trailer", gzip.substr(0, gzip.size() - 4), size, Z_DATA_ERROR},
      {"no input", "", size, Z_DATA_ERROR},
      {"not a stream", "this is plain text", size, Z_DATA_ERROR},
      {"needs a dictionary", Deflated(text, 15, "family"), size, Z_DATA_ERROR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Decoded decoded = Decode(c.stream, c.capacity);
    EXPECT_EQ(c.status, decoded.status);
    if (c.status == Z_OK) {
      EXPECT_EQ(size, decoded.produced);
      EXPECT_EQ(text, decoded.bytes);
    }
  }
}

TEST(DecompressTest, ProducedCountsWhatAShortStreamGave) {
  const std::string text = "abc";
  Decoded decoded = Decode(Deflated(text), 10);
  EXPECT_EQ(Z_OK, decoded.status);
  EXPECT_EQ(3u, decoded.produced) << "callers compare produced with the size they expect";
}

}  // namespace
