// Writing the product's files into the install folder.
#ifndef VELMORA_PAYLOAD_EXTRACT_H
#define VELMORA_PAYLOAD_EXTRACT_H

#include "platform/win32.h"

enum FileOutcome { FILE_WRITTEN, FILE_SKIPPED, FILE_FAILED };

// Installs every package entry in order, then the extra file. 1 when all were handled
// (written or skipped), 0 when one failed.
int ExtractPayload(void);
// Writes one file read-only with its packaged time (time may be NULL), asking the user on
// failure. Leaves a failure's code in runState.resultCode.
enum FileOutcome InstallOneFile(const char* name, const FILETIME* time, const unsigned char* data,
                                DWORD size, DWORD storedSize);

#endif
