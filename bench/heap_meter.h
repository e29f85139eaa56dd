// Live and peak heap bytes of the process, as counted by the benchmark's allocator.
#ifndef VELMORA_BENCH_HEAP_METER_H
#define VELMORA_BENCH_HEAP_METER_H

#include <stddef.h>

size_t HeapLive();
size_t HeapPeak();
// Starts a new peak from the bytes live now.
void ResetHeapPeak();

#endif
