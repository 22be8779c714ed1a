// The install plan of Vorlex.
#include "install/install_manifest.h"

#include "app/product.h"

namespace {
const FilePair filePairs[] = {
    {GameExecutableOnCd, GameExecutable},
    {"data\\filesys.dat", "filesys.dat"},
    {nullptr, nullptr},
};
const char* const extraFiles[] = {"scrngrab.bmp", nullptr};
const char* const subfolders[] = {nullptr};
static_assert(sizeof filePairs / sizeof *filePairs - 1 + sizeof extraFiles / sizeof *extraFiles - 1 == InstallFileCount,
              "InstallFileCount counts the copied files and those the game leaves");
}  // namespace

// 65535 / (25 * 1048576) rounded to the nearest float: the bar is full after
// RequiredMegabytes, the size of the game's files.
const InstallManifest installManifest = {filePairs, extraFiles, subfolders, 25,
                                         0.00249996176f};
