// The fault plan: calls made to fail with a chosen error, and short writes (disk full).
#include <string>
#include <vector>

#include "platform/host/core_state.h"
#include "platform/host/world_internal.h"

namespace world {
namespace core {
namespace {

struct PlannedFault {
  Fault fault;
  int matches = 0;  // matching calls seen so far
  int fired = 0;
};

struct PlannedShortWrite {
  std::string pathContains;
  DWORD bytes;
  int times;
};

std::vector<PlannedFault>& Faults() {
  static std::vector<PlannedFault> faults;
  return faults;
}

std::vector<PlannedShortWrite>& ShortWrites() {
  static std::vector<PlannedShortWrite> writes;
  return writes;
}

int& CallCount() {
  static int count = 0;
  return count;
}

bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
  return part.empty() || UpperCp1252(text).find(UpperCp1252(part)) != std::string::npos;
}

}  // namespace

void ResetFaults() {
  Faults().clear();
  ShortWrites().clear();
  CallCount() = 0;
}

DWORD ShortWriteLimit(const std::string& path, DWORD wanted) {
  for (PlannedShortWrite& planned : ShortWrites()) {
    if (planned.times == 0 || !ContainsIgnoringCase(path, planned.pathContains)) continue;
    if (planned.times > 0) planned.times--;
    return wanted < planned.bytes ? wanted : planned.bytes;
  }
  return wanted;
}

}  // namespace core

namespace internal {

bool FaultFires(const char* function, const std::string& path) {
  core::CallCount()++;
  std::string name = function ? function : "";
  for (core::PlannedFault& planned : core::Faults()) {
    const Fault& fault = planned.fault;
    if (!fault.function.empty() && core::UpperCp1252(fault.function) != core::UpperCp1252(name)) continue;
    if (!core::ContainsIgnoringCase(path, fault.pathContains)) continue;
    planned.matches++;
    int first = fault.nth > 0 ? fault.nth : 1;
    if (planned.matches < first) continue;
    if (fault.times >= 0 && planned.fired >= fault.times) continue;
    planned.fired++;
    SetLastError(fault.error);
    return true;
  }
  return false;
}

}  // namespace internal

void AddFault(const Fault& fault) { core::Faults().push_back({fault, 0, 0}); }

void AddShortWrite(const std::string& pathContains, DWORD bytes, int times) {
  core::ShortWrites().push_back({pathContains, bytes, times});
}

void ClearFaults() {
  core::Faults().clear();
  core::ShortWrites().clear();
}

int FallibleCallCount() { return core::CallCount(); }

}  // namespace world
