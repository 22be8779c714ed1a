// The compiled-in install plan: what is copied from the CD, what the removal deletes,
// and the size the progress bar is scaled to. No Windows header here.
#pragma once
#include <stdint.h>

struct FilePair {
    const char* source;       // on the CD, relative to the program's own folder
    const char* destination;  // a bare file name inside the install folder
};

struct InstallManifest {
    const FilePair* filePairs;    // ended by a pair whose source is null
    const char* const* extraFiles;  // left by the game, removed at uninstall; null-ended
    const char* const* subfolders;  // created below the install folder; null-ended
    int32_t RequiredMegabytes;
    float progressScale;           // bar position per byte copied
};

extern const InstallManifest installManifest;

// How many files forEachInstallFile names in installManifest, for buffers sized at compile
// time; install_manifest.cpp checks it against the plan, so none is ever left out.
constexpr int InstallFileCount = 3;

// Calls visit with the name of each of the install's files in its folder: the copied ones,
// then those the game leaves there. One order for the removal, its bar and the checks.
template <typename Visit>
void forEachInstallFile(const InstallManifest& plan, Visit visit) {
    for (const FilePair* pair = plan.filePairs; pair->source != nullptr; ++pair) visit(pair->destination);
    for (const char* const* extra = plan.extraFiles; *extra != nullptr; ++extra) visit(*extra);
}
