// The world's virtual clock: Sleep, GetTickCount and scheduled events. Nothing costs real time.
#include <stdint.h>

#include <functional>
#include <vector>

#include "platform/host/window_manager.h"

namespace {

struct Event {
  DWORD atMs;
  uint64_t order;  // events due at the same time run in the order they were scheduled
  std::function<void()> action;
};

DWORD nowMs = 0;
uint64_t nextOrder = 0;
std::vector<Event> events;

const bool registered = (world::internal::RegisterResetHook([] {
                           nowMs = 0;
                           nextOrder = 0;
                           events.clear();
                         }),
                         true);

// The index of the earliest event due at or before `limitMs`, or -1.
int EarliestDue(DWORD limitMs) {
  int best = -1;
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].atMs > limitMs) continue;
    if (best < 0 || events[i].atMs < events[best].atMs ||
        (events[i].atMs == events[best].atMs && events[i].order < events[best].order))
      best = (int)i;
  }
  return best;
}

}  // namespace

namespace world {

DWORD Now() { return nowMs; }

void Advance(DWORD milliseconds) { internal::AdvanceClock(milliseconds); }

namespace internal {

void ScheduleAt(DWORD atMs, std::function<void()> action) {
  events.push_back(Event{atMs, nextOrder++, std::move(action)});
}

void AdvanceClock(DWORD milliseconds) {
  DWORD target = nowMs + milliseconds;
  if (target < nowMs) target = 0xFFFFFFFFu;  // the clock does not wrap within one world
  for (;;) {
    int due = EarliestDue(target);
    if (due < 0) break;
    if (events[due].atMs > nowMs) nowMs = events[due].atMs;
    std::function<void()> action = std::move(events[due].action);
    events.erase(events.begin() + due);
    action();  // may schedule more events, which run too when they fall due on the way
  }
  nowMs = target;
}

bool NextEventTime(DWORD* atMs) {
  if (events.empty()) return false;
  DWORD earliest = events[0].atMs;
  for (const Event& e : events)
    if (e.atMs < earliest) earliest = e.atMs;
  if (atMs) *atMs = earliest;
  return true;
}

}  // namespace internal
}  // namespace world

// Sleep does not pump messages, as on Windows; it only lets the world's time pass.
void WINAPI Sleep(DWORD milliseconds) { world::internal::AdvanceClock(milliseconds); }

DWORD WINAPI GetTickCount(void) { return world::Now(); }
