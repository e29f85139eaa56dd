// Extraction benchmark: builds a package of about 200 MB in 2,000 files of mixed sizes and
// compressibility, installs it into a world on the local disk, and compares in the same run
//   (a) the install's wall time with inflating every entry into memory plus writing the
//       decoded files with plain POSIX writes (target: at most 1.15), and
//   (b) the install's peak heap with the decoded directory plus the largest file (target:
//       within 1 MiB plus what the host layer itself keeps).
// Usage: extract-benchmark [work folder on the local disk] [rounds]
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/common.h"
#include "extract/package_builder.h"
#include "heap_meter.h"
#include "installlog/folders.h"
#include "payload/extract.h"
#include "platform/host/world.h"

namespace {

const int kFileCount = 2000;
const uint64_t kTargetBytes = 200ull * 1000 * 1000;
const uint64_t kPackagedTime = 134221104000000000ull;

struct Entry {
  std::string name;
  uint32_t size = 0;
  std::string stored;  // compressed stream, or the raw bytes
  bool compressed() const { return stored.size() < size; }
};

uint32_t NextRandom(uint64_t* state) {
  *state = *state * 6364136223846793005ull + 1442695040888963407ull;
  return (uint32_t)(*state >> 33);
}

// Contents of three kinds: text (compresses about 4:1), structured binary (about 2:1) and
// noise (does not compress and is stored raw).
std::string Contents(int kind, size_t size, uint64_t* random) {
  static const char* const words[] = {"family", "tree", "genogram", "born", "married", "child",
                                      "parent", "sibling", "1923", "Velmora", "record", "note"};
  std::string bytes;
  bytes.reserve(size + 16);
  if (kind == 0) {
    while (bytes.size() < size) {
      bytes += words[NextRandom(random) % 12];
      bytes += (NextRandom(random) % 9 == 0) ? "\r\n" : " ";
    }
  } else if (kind == 1) {
    while (bytes.size() < size) bytes.push_back((char)(NextRandom(random) % 16 * 17));
  } else {
    while (bytes.size() < size) bytes.push_back((char)NextRandom(random));
  }
  bytes.resize(size);
  return bytes;
}

std::vector<Entry> MakeEntries(size_t* largest) {
  uint64_t random = 20261211;
  // Most files between 1 KiB and 256 KiB, one in twenty between 256 KiB and 8 MiB, both on
  // a logarithmic spread; then scaled to the total.
  std::vector<double> weights(kFileCount);
  double sum = 0;
  for (int i = 0; i < kFileCount; i++) {
    double spread = NextRandom(&random) / 4294967296.0;
    double exponent = i % 20 == 0 ? 18.0 + 5.0 * spread : 10.0 + 8.0 * spread;
    weights[i] = exp2(exponent);
    sum += weights[i];
  }
  std::vector<Entry> entries(kFileCount);
  size_t largestIndex = 0;
  for (int i = 0; i < kFileCount; i++) {
    Entry& entry = entries[i];
    entry.size = (uint32_t)std::max(1.0, weights[i] / sum * (double)kTargetBytes);
    if (entry.size > entries[largestIndex].size) largestIndex = (size_t)i;
    char name[96];
    snprintf(name, sizeof name, "Module%02d\\Part%d\\file%04d.dat", i % 20, i % 3, i);
    entry.name = name;
  }
  *largest = entries[largestIndex].size;
  for (size_t i = 0; i < entries.size(); i++) {
    // The largest file is compressible, so that its decode buffer is part of the peak.
    int kind = i == largestIndex ? 0 : (int)(NextRandom(&random) % 10 < 5 ? 0 : (NextRandom(&random) % 3 == 0 ? 2 : 1));
    std::string bytes = Contents(kind, entries[i].size, &random);
    std::string packed = fixture::Deflate(bytes, false, 6);
    entries[i].stored = packed.size() < bytes.size() ? packed : bytes;
  }
  return entries;
}

std::string DirectoryOf(const std::vector<Entry>& entries) {
  std::string directory;
  for (const Entry& entry : entries) {
    fixture::PutWord(directory, entry.size);
    fixture::PutWord(directory, (uint32_t)entry.stored.size());
    fixture::PutWord(directory, (uint32_t)kPackagedTime);
    fixture::PutWord(directory, (uint32_t)(kPackagedTime >> 32));
    directory += entry.name;
    directory.push_back('\0');
    fixture::Align4(directory);
  }
  fixture::PutWord(directory, 0);
  return directory;
}

std::string PackageOf(const std::vector<Entry>& entries, const std::string& directory) {
  std::string packed = fixture::Deflate(directory);
  std::string out;
  fixture::PutWord(out, (uint32_t)packed.size());
  fixture::PutWord(out, (uint32_t)directory.size());
  out += packed;
  fixture::Align4(out);
  for (const Entry& entry : entries) {
    out += entry.stored;
    fixture::Align4(out);
  }
  return out;
}

double Seconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

// Processor time of this process (user and system), which other work on the machine moves
// much less than wall time.
double CpuSeconds() {
  struct timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

void MakeFolders(const std::string& path) {
  for (size_t at = 1; at < path.size(); at++)
    if (path[at] == '/') mkdir(path.substr(0, at).c_str(), 0777);
}

bool WriteAll(const std::string& path, const unsigned char* bytes, size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0444);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < size) {
    ssize_t wrote = write(fd, bytes + done, size - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += (size_t)wrote;
  }
  return close(fd) == 0 && done == size;
}

// The reference: every entry inflated into its own buffer, then written with POSIX calls.
bool Reference(const std::vector<Entry>& entries, const std::string& folder, double* inflateSeconds,
               double* writeSeconds) {
  *inflateSeconds = *writeSeconds = 0;
  std::set<std::string> madeFolders;
  for (const Entry& entry : entries) {
    std::string path = folder + "/" + entry.name;
    std::replace(path.begin(), path.end(), '\\', '/');
    double start = Seconds();
    const unsigned char* data = (const unsigned char*)entry.stored.data();
    unsigned char* decoded = NULL;
    if (entry.compressed()) {
      decoded = (unsigned char*)malloc(entry.size);
      z_stream stream = {};
      stream.next_in = (Bytef*)entry.stored.data();
      stream.avail_in = (uInt)entry.stored.size();
      stream.next_out = decoded;
      stream.avail_out = entry.size;
      inflateInit2(&stream, 15 + 32);
      int status = inflate(&stream, Z_FINISH);
      inflateEnd(&stream);
      if (status != Z_STREAM_END || stream.total_out != entry.size) return false;
      data = decoded;
    }
    double inflated = Seconds();
    // Each folder is made once, as an installer that knows its tree would.
    std::string parent = path.substr(0, path.rfind('/') + 1);
    if (madeFolders.insert(parent).second) MakeFolders(parent);
    bool written = WriteAll(path, data, entry.size);
    double end = Seconds();
    free(decoded);
    if (!written) return false;
    *inflateSeconds += inflated - start;
    *writeSeconds += end - inflated;
  }
  return true;
}

void RemoveTree(const std::string& folder) {
  std::string command = "rm -rf '" + folder + "'";
  if (system(command.c_str()) != 0) fprintf(stderr, "could not remove %s\n", folder.c_str());
}

struct InstallResult {
  double seconds = 0;
  double cpuSeconds = 0;
  size_t peak = 0;      // heap bytes above those live when extraction began
  size_t retained = 0;  // heap bytes still held when it ended (the host layer's tables)
};

// Installs `package` into a fresh world in `folder` and measures ExtractPayload alone.
bool Install(const std::string& folder, const std::string& package, InstallResult* result) {
  world::Create(folder);
  world::SetDataResource(110, package);
  ResetRunState();
  strcpy(runState.installFolder, "C:\\Program Files\\Velmora");
  if (PrepareInstallFolder() != 0) {
    fprintf(stderr, "folder preparation failed\n");
    return false;
  }
  size_t before = HeapLive();
  ResetHeapPeak();
  double start = Seconds();
  double cpuStart = CpuSeconds();
  int extracted = ExtractPayload();
  result->cpuSeconds = CpuSeconds() - cpuStart;
  result->seconds = Seconds() - start;
  result->peak = HeapPeak() - before;
  result->retained = HeapLive() - before;
  CloseHandle(runState.logFile);
  runState.logFile = INVALID_HANDLE_VALUE;
  if (!extracted || runState.resultCode != 0) {
    fprintf(stderr, "install failed: result %u\n", runState.resultCode);
    return false;
  }
  return true;
}

std::string Mib(double bytes) {
  char text[32];
  snprintf(text, sizeof text, "%.2f MiB", bytes / 1048576.0);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::string work = argc > 1 ? argv[1] : "extract-benchmark-work";
  int rounds = argc > 2 ? atoi(argv[2]) : 3;
  if (rounds < 1) rounds = 1;
  MakeFolders(work + "/");
  char resolved[PATH_MAX];
  if (realpath(work.c_str(), resolved) != NULL) work = resolved;

  printf("building the package...\n");
  fflush(stdout);
  size_t largest = 0;
  std::vector<Entry> entries = MakeEntries(&largest);
  std::string directory = DirectoryOf(entries);
  std::string package = PackageOf(entries, directory);
  uint64_t installed = 0, stored = 0;
  size_t compressedCount = 0, largestCompressed = 0;
  for (const Entry& entry : entries) {
    installed += entry.size;
    stored += entry.stored.size();
    if (entry.compressed()) {
      compressedCount++;
      largestCompressed = std::max(largestCompressed, (size_t)entry.size);
    }
  }
  printf("package: %d files, %s installed, %s stored (%zu compressed, %zu raw), directory %s, "
         "largest file %s (compressed)\n",
         kFileCount, Mib((double)installed).c_str(), Mib((double)stored).c_str(), compressedCount,
         entries.size() - compressedCount, Mib((double)directory.size()).c_str(),
         Mib((double)largest).c_str());

  double bestInstall = 1e30, bestReference = 1e30, bestInflate = 0, bestWrite = 0;
  size_t peakExtra = 0, retained = 0;
  std::vector<double> pairedRatios;
  double bestInstallCpu = 1e30, bestReferenceCpu = 1e30;
  for (int round = 0; round < rounds; round++) {
    std::string referenceFolder = work + "/posix";
    RemoveTree(referenceFolder);
    double inflateSeconds, writeSeconds;
    double cpuStart = CpuSeconds();
    bool referenceOk = Reference(entries, referenceFolder, &inflateSeconds, &writeSeconds);
    bestReferenceCpu = std::min(bestReferenceCpu, CpuSeconds() - cpuStart);
    if (!referenceOk) {
      fprintf(stderr, "reference run failed\n");
      return 1;
    }
    RemoveTree(referenceFolder);
    if (inflateSeconds + writeSeconds < bestReference) {
      bestReference = inflateSeconds + writeSeconds;
      bestInflate = inflateSeconds;
      bestWrite = writeSeconds;
    }
    InstallResult install;
    if (!Install(work + "/world", package, &install)) return 1;
    printf("round %d: install %.3f s; reference %.3f s (inflate %.3f s + write %.3f s); "
           "peak heap +%s\n",
           round + 1, install.seconds, inflateSeconds + writeSeconds, inflateSeconds, writeSeconds,
           Mib((double)install.peak).c_str());
    fflush(stdout);
    bestInstall = std::min(bestInstall, install.seconds);
    bestInstallCpu = std::min(bestInstallCpu, install.cpuSeconds);
    pairedRatios.push_back(install.seconds / (inflateSeconds + writeSeconds));
    peakExtra = std::max(peakExtra, install.peak);
    retained = std::max(retained, install.retained);
  }
  // Spot check: an installed file holds the packaged bytes.
  const Entry& sampleEntry = entries[7];
  std::string sample = world::FileBytes("C:\\Program Files\\Velmora\\" + sampleEntry.name);
  std::string expectedSample = sampleEntry.stored;
  if (sampleEntry.compressed()) {
    expectedSample.assign(sampleEntry.size, '\0');
    uLongf length = sampleEntry.size;
    uncompress((Bytef*)&expectedSample[0], &length, (const Bytef*)sampleEntry.stored.data(),
               (uLong)sampleEntry.stored.size());
  }
  if (sample != expectedSample) {
    fprintf(stderr, "an installed file does not hold the packaged bytes\n");
    return 1;
  }

  // The fixed cost per file: the same 2,000 names with one byte each, both ways.
  std::vector<Entry> tiny = entries;
  for (Entry& entry : tiny) {
    entry.size = 1;
    entry.stored = "x";
  }
  std::string tinyPackage = PackageOf(tiny, DirectoryOf(tiny));
  double tinyInstall = 1e30, tinyReference = 1e30;
  for (int round = 0; round < rounds; round++) {
    double inflateSeconds, writeSeconds;
    RemoveTree(work + "/posix");
    if (!Reference(tiny, work + "/posix", &inflateSeconds, &writeSeconds)) return 1;
    tinyReference = std::min(tinyReference, inflateSeconds + writeSeconds);
    InstallResult install;
    if (!Install(work + "/world", tinyPackage, &install)) return 1;
    tinyInstall = std::min(tinyInstall, install.seconds);
  }
  RemoveTree(work + "/posix");
  RemoveTree(work + "/world");

  double ratio = bestInstall / bestReference;
  std::sort(pairedRatios.begin(), pairedRatios.end());
  double medianRatio = pairedRatios[pairedRatios.size() / 2];
  double fixedExtra = tinyInstall - tinyReference;
  double expected = (double)directory.size() + (double)largestCompressed;
  double excess = (double)peakExtra - expected;
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  printf("\n(a) time: install %.3f s / (inflate %.3f s + POSIX write %.3f s = %.3f s) = %.3f "
         "(target <= 1.15) %s\n",
         bestInstall, bestInflate, bestWrite, bestReference, ratio, ratio <= 1.15 ? "MET" : "MISSED");
  printf("    median of the rounds' own ratios %.3f; processor time %.3f s / %.3f s = %.3f\n",
         medianRatio, bestInstallCpu, bestReferenceCpu, bestInstallCpu / bestReferenceCpu);
  printf("    fixed cost per file (1-byte files): install %.1f us, POSIX %.1f us; without the "
         "difference the ratio is %.3f\n",
         tinyInstall / kFileCount * 1e6, tinyReference / kFileCount * 1e6,
         (bestInstall - fixedExtra) / bestReference);
  printf("(b) memory: peak heap during the install %s; decoded directory %s + largest file %s "
         "= %s; excess %s; host layer keeps %s after the install (target: excess <= 1 MiB + "
         "that) %s\n",
         Mib((double)peakExtra).c_str(), Mib((double)directory.size()).c_str(),
         Mib((double)largestCompressed).c_str(), Mib(expected).c_str(), Mib(excess).c_str(),
         Mib((double)retained).c_str(), excess <= 1048576.0 + (double)retained ? "MET" : "MISSED");
  printf("process peak RSS %s (includes the package built in memory and its resource copy)\n",
         Mib((double)usage.ru_maxrss * 1024.0).c_str());
  return 0;
}
