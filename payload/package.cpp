// The packed resources: one-shot zlib decoding, the agreement text and the package walk.
#include "payload/package.h"

#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include "common/common.h"

enum { AGREEMENT_RESOURCE = 107, PACKAGE_RESOURCE = 110, EXTRA_FILE_RESOURCE = 1 };

// A stated decoded size is believed only up to what zlib can produce from the stored bytes
// (deflate expands at most 1032 times) and never beyond 256 MiB, so that a damaged size
// field cannot make the reader allocate gigabytes.
enum { MAX_EXPANSION = 1032 };
static const unsigned long long MAX_DECODED_SIZE = 256ull * 1024 * 1024;

static int PlausibleDecodedSize(unsigned long long decoded, unsigned long long stored) {
  return decoded <= MAX_DECODED_SIZE && decoded <= stored * MAX_EXPANSION;
}

static unsigned long long Align4(unsigned long long n) { return (n + 3) & ~3ull; }

static DWORD ReadWord(const unsigned char* p) {
  return (DWORD)p[0] | (DWORD)p[1] << 8 | (DWORD)p[2] << 16 | (DWORD)p[3] << 24;
}

// The bytes of RT_RCDATA resource id in the program's module; 0 when it is missing.
// GetLastError then tells a missing resource from one that could not be read.
static int LoadDataResource(int id, const unsigned char** bytes, DWORD* count) {
  *bytes = NULL;
  *count = 0;
  HRSRC found = FindResourceA(runState.instance, MAKEINTRESOURCEA(id), RT_RCDATA);
  if (found == NULL) return 0;
  HGLOBAL loaded = LoadResource(runState.instance, found);
  if (loaded == NULL) {
    if (GetLastError() == 0 || IsMissingResourceError(GetLastError())) SetLastError(ERROR_INVALID_DATA);
    return 0;
  }
  const unsigned char* data = (const unsigned char*)LockResource(loaded);
  if (data == NULL) {
    SetLastError(ERROR_INVALID_DATA);
    return 0;
  }
  *bytes = data;
  *count = SizeofResource(runState.instance, found);
  return 1;
}

int Decompress(void* dest, DWORD destCapacity, const void* src, DWORD srcSize, DWORD* produced) {
  *produced = 0;
  z_stream stream;
  memset(&stream, 0, sizeof stream);
  stream.next_in = (Bytef*)src;
  stream.avail_in = srcSize;
  stream.next_out = (Bytef*)dest;
  stream.avail_out = destCapacity;
  int status = inflateInit2(&stream, 15 + 32);
  if (status != Z_OK) return status;
  status = inflate(&stream, Z_FINISH);
  *produced = (DWORD)stream.total_out;
  int inputUsedUp = stream.avail_in == 0;
  inflateEnd(&stream);
  if (status == Z_STREAM_END) return Z_OK;
  // A stream that needs a dictionary, or ends before its end marker, is damaged data;
  // one that still has input when the output is full decodes to more than was stated.
  if (status == Z_NEED_DICT) return Z_DATA_ERROR;
  if (status == Z_BUF_ERROR || status == Z_OK) return inputUsedUp ? Z_DATA_ERROR : Z_BUF_ERROR;
  return status;
}

char* LoadAgreementText(void) {
  const unsigned char* bytes;
  DWORD count;
  if (!LoadDataResource(AGREEMENT_RESOURCE, &bytes, &count) || count < 4) return NULL;
  long long length = (LONG)ReadWord(bytes);
  if (length <= 0) {
    unsigned long long rawLength = (unsigned long long)(-length);
    if (rawLength > count - 4) return NULL;
    char* text = (char*)malloc((size_t)rawLength + 1);
    if (text == NULL) return NULL;
    memcpy(text, bytes + 4, (size_t)rawLength);
    text[rawLength] = '\0';
    return text;
  }
  if (count < 8) return NULL;
  DWORD storedSize = ReadWord(bytes + 4);
  if (storedSize > count - 8 || !PlausibleDecodedSize((unsigned long long)length, storedSize))
    return NULL;
  char* text = (char*)malloc((size_t)length + 1);
  if (text == NULL) return NULL;
  DWORD produced = 0;
  if (Decompress(text, (DWORD)length, bytes + 8, storedSize, &produced) != Z_OK ||
      produced != (DWORD)length) {
    free(text);
    return NULL;
  }
  text[length] = '\0';
  return text;
}

int OpenPackage(struct PackageView* view) {
  memset(view, 0, sizeof *view);
  const unsigned char* bytes;
  DWORD count;
  if (!LoadDataResource(PACKAGE_RESOURCE, &bytes, &count)) {
    DWORD error = GetLastError();
    if (!IsMissingResourceError(error)) view->loadError = error != 0 ? error : ERROR_INVALID_DATA;
    return 0;
  }
  if (count < 8) return 0;
  DWORD storedSize = ReadWord(bytes);
  DWORD directorySize = ReadWord(bytes + 4);
  if (8ull + storedSize > count || directorySize == 0 ||
      !PlausibleDecodedSize(directorySize, storedSize))
    return 0;
  unsigned char* directory = (unsigned char*)malloc(directorySize);
  if (directory == NULL) return 0;
  DWORD produced = 0;
  if (Decompress(directory, directorySize, bytes + 8, storedSize, &produced) != Z_OK ||
      produced != directorySize) {
    free(directory);
    return 0;
  }
  unsigned long long dataStart = 8ull + Align4(storedSize);
  if (dataStart > count) dataStart = count;
  view->directory = directory;
  view->directorySize = directorySize;
  view->entryOffset = 0;
  view->data = bytes + dataStart;
  view->dataSize = count - (DWORD)dataStart;
  view->dataOffset = 0;
  return 1;
}

int NextEntry(struct PackageView* view, struct PackageEntry* entry) {
  memset(entry, 0, sizeof *entry);
  if (view->directory == NULL) return 0;
  unsigned long long at = view->entryOffset;
  if (at + 4 > view->directorySize) return 0;
  DWORD size = ReadWord(view->directory + at);
  if (size == 0) return 0;
  if (at + 17 > view->directorySize) return 0;
  DWORD storedSize = ReadWord(view->directory + at + 4);
  const char* name = (const char*)view->directory + at + 16;
  const char* nameEnd = (const char*)memchr(name, '\0', view->directorySize - (size_t)(at + 16));
  if (nameEnd == NULL) return 0;

  // Compressed entries hold storedSize bytes; raw ones size bytes, in a slot of storedSize.
  int compressed = storedSize > 0 && storedSize < size;
  unsigned long long occupied = compressed || storedSize > size ? storedSize : size;
  if ((unsigned long long)view->dataOffset + occupied > view->dataSize) return 0;
  if (compressed && !PlausibleDecodedSize(size, storedSize)) return 0;

  entry->size = size;
  entry->storedSize = storedSize;
  entry->time = (const FILETIME*)(view->directory + at + 8);
  entry->name = name;
  entry->data = view->data + view->dataOffset;

  unsigned long long nextEntry = Align4((unsigned long long)(nameEnd - (const char*)view->directory) + 1);
  unsigned long long nextData = (unsigned long long)view->dataOffset + Align4(storedSize);
  view->entryOffset = nextEntry > view->directorySize ? view->directorySize : (DWORD)nextEntry;
  view->dataOffset = nextData > view->dataSize ? view->dataSize : (DWORD)nextData;
  return 1;
}

void ClosePackage(struct PackageView* view) {
  free(view->directory);
  memset(view, 0, sizeof *view);
}

int OpenExtraFile(const unsigned char** bytes, DWORD* count) {
  return LoadDataResource(EXTRA_FILE_RESOURCE, bytes, count);
}

int IsMissingResourceError(DWORD error) {
  // A failed look-up that leaves no code of its own is taken as a missing resource, which
  // is no error: only a resource known to be there but unreadable fails the install.
  return error == 0 || error == ERROR_RESOURCE_DATA_NOT_FOUND || error == ERROR_RESOURCE_TYPE_NOT_FOUND ||
         error == ERROR_RESOURCE_NAME_NOT_FOUND;
}

int HasDataResource(int id) {
  return FindResourceA(runState.instance, MAKEINTRESOURCEA(id), RT_RCDATA) != NULL;
}
