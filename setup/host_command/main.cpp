// velmora-setup: the setup program run on Linux against a simulated Windows machine.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <dirent.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/world.h"
#include "setup/host_command/user_script.h"

static const char USAGE[] =
    "Usage: velmora-setup [setup options...]\n"
    "Runs Velmora Setup against a simulated Windows machine and prints what it showed.\n"
    "Setup options, as on Windows: /Path FOLDER, /PathDefault FOLDER, /PathSaveAs PATH, /U,\n"
    "/USilent, /CU, /ND, /Hidden.\n"
    "Environment:\n"
    "  VELMORA_WORLD     the machine's folder (default ./velmora-world): created fresh when\n"
    "                    missing or empty, reopened when an earlier run saved a machine\n"
    "                    there (a second run sees the first one's files and registry);\n"
    "                    any other folder is refused, never emptied\n"
    "  VELMORA_SCRIPT    a file of user actions (below); without it nobody answers\n"
    "  VELMORA_RES_FILE  the program's compiled resources (default: the build's)\n"
    "The exit status is the program's exit code (its low byte; the full code is printed).\n"
    "When the program waits for the user and the script has nothing left, the run stops\n"
    "with a message and status 86.\n\n";

static bool IsEmptyFolder(const char* path) {
  DIR* folder = opendir(path);
  if (folder == NULL) return false;
  bool empty = true;
  while (struct dirent* entry = readdir(folder)) {
    if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) {
      empty = false;
      break;
    }
  }
  closedir(folder);
  return empty;
}

static bool ReadWholeFile(const char* path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *text = buffer.str();
  return true;
}

int main(int argc, char** argv) {
  if (argc > 1 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
    fputs(USAGE, stdout);
    fputs(USER_SCRIPT_HELP, stdout);
    return 0;
  }

  const char* root = getenv("VELMORA_WORLD");
  if (root == NULL || root[0] == 0) root = "./velmora-world";
  // A folder a previous run saved is reopened; a missing or empty one gets a fresh machine.
  // Anything else is someone's folder, and making a world there would empty it.
  struct stat info;
  std::string savedMachine = std::string(root) + "/world-machine.txt";
  if (stat(savedMachine.c_str(), &info) == 0) {
    world::Open(root);
  } else if (stat(root, &info) != 0 || (S_ISDIR(info.st_mode) && IsEmptyFolder(root))) {
    world::Create(root);
  } else {
    fprintf(stderr, "velmora-setup: %s exists and is not a world folder; name another one "
            "with VELMORA_WORLD\n", root);
    return 2;
  }

  const char* resources = getenv("VELMORA_RES_FILE");
  if (resources == NULL || resources[0] == 0) resources = VELMORA_DEFAULT_RES;
  if (!world::LoadResourceFile(resources)) {
    fprintf(stderr, "velmora-setup: cannot load the resources %s\n", resources);
    return 2;
  }

  const char* scriptPath = getenv("VELMORA_SCRIPT");
  if (scriptPath != NULL && scriptPath[0] != 0) {
    std::string script, error;
    if (!ReadWholeFile(scriptPath, &script)) {
      fprintf(stderr, "velmora-setup: cannot read the script %s\n", scriptPath);
      return 2;
    }
    if (!QueueUserScript(script, &error)) {
      fprintf(stderr, "velmora-setup: %s: %s\n", scriptPath, error.c_str());
      return 2;
    }
  }

  // The world prints each transcript line as it happens, its ANSI texts turned into UTF-8.
  world::EchoTranscript(stdout);

  // The program sees a Windows argument vector: its own name, then the options as given.
  static char programName[] = "VelmoraSetup.exe";
  std::vector<char*> arguments;
  arguments.push_back(programName);
  for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
  arguments.push_back(NULL);
  __argc = argc;
  __argv = arguments.data();

  static char commandLine[] = "";
  int exitCode = WinMain(GetModuleHandleA(NULL), NULL, commandLine, SW_SHOWNORMAL);

  world::EchoTranscript(NULL);
  world::Save();
  printf("exit code %d\n", exitCode);
  return exitCode;
}
