// The packed resources: the agreement text, the file package and the extra file.
#ifndef VELMORA_PAYLOAD_PACKAGE_H
#define VELMORA_PAYLOAD_PACKAGE_H

#include "platform/win32.h"

// One zlib or gzip inflate of src into dest. Returns the zlib status (Z_OK only when the
// stream ended; Z_NEED_DICT and a starved Z_BUF_ERROR become Z_DATA_ERROR) and *produced.
int Decompress(void* dest, DWORD destCapacity, const void* src, DWORD srcSize, DWORD* produced);

// The agreement text with a terminating zero, or NULL when missing or damaged. Caller frees.
char* LoadAgreementText(void);

struct PackageView {
  unsigned char* directory;     // decoded directory, owned by the view
  DWORD directorySize;
  DWORD entryOffset;            // next entry within the directory
  const unsigned char* data;    // data area in the resource
  DWORD dataSize;               // bytes of the resource from `data` to its end
  DWORD dataOffset;             // next entry's stored bytes within the data area
  DWORD loadError;              // after a failed OpenPackage: why the resource could not be
                                // read, 0 when it is missing or its directory is damaged
};

struct PackageEntry {
  DWORD size;                   // installed size
  DWORD storedSize;             // bytes in the data area before alignment
  const FILETIME* time;         // may be unaligned: copy before use
  const char* name;             // relative path, zero-terminated within the directory
  const unsigned char* data;    // stored bytes
};

// 1 and the view when resource 110 is present and its directory decodes to its stated size;
// 0 otherwise, with view->loadError set when the resource exists but could not be read.
int OpenPackage(struct PackageView* view);
// 1 and the next entry; 0 at the end marker or when an entry would run past the directory
// or its stored bytes past the resource.
int NextEntry(struct PackageView* view, struct PackageEntry* entry);
void ClosePackage(struct PackageView* view);
// 1 and the extra file's bytes (resource 1) when present; 0 with GetLastError telling why.
int OpenExtraFile(const unsigned char** bytes, DWORD* count);
// 1 when resource id exists (of type RT_RCDATA); 0 with GetLastError telling why.
int HasDataResource(int id);
// 1 when a failed resource look-up's error code means the resource is absent, as opposed
// to present but unreadable.
int IsMissingResourceError(DWORD error);

#endif
