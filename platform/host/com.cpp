// COM on the simulated machine: initialisation per thread (there is one) and the one class
// it serves, the shell link object. Also the interface and class identities.
#include "platform/host/shell_link.h"
#include "platform/host/world.h"
#include "platform/host/world_internal.h"

const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IMalloc = {0x00000002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {

const HRESULT kClassNoAggregation = (HRESULT)0x80040110L;

int initialisations = 0;

struct ResetRegistration {
  ResetRegistration() {
    world::internal::RegisterResetHook([]() { initialisations = 0; });
  }
} resetRegistration;

}  // namespace

// S_OK for the first initialisation of the thread, S_FALSE for each further one.
HRESULT WINAPI CoInitialize(LPVOID) {
  if (world::internal::FaultFires("CoInitialize", "")) {
    DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
  }
  return initialisations++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize(void) {
  if (initialisations > 0) --initialisations;
}

// Creates the shell link object in-process. CO_E_NOTINITIALIZED before CoInitialize,
// REGDB_E_CLASSNOTREG for any other class or context, E_NOINTERFACE for an unknown
// interface; *object is NULL on every failure.
HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                LPVOID* object) {
  if (object == NULL) return E_POINTER;
  *object = NULL;
  if (world::internal::FaultFires("CoCreateInstance", "")) {
    DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
  }
  if (initialisations == 0) return CO_E_NOTINITIALIZED;
  if (clsid != CLSID_ShellLink || (context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  if (outer != NULL) return kClassNoAggregation;
  return world::internal::CreateShellLinkObject(iid, object);
}
