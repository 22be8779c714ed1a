// Install options texts and folder arithmetic (see options_logic.h).
#include "install/options_logic.h"

#include <string.h>

#include "app/bounded_format.h"
#include "app/product.h"
#include "install/install_manifest.h"

const char* const NoDiskMessage = "Please specify a hard disk and folder name";

namespace {
const uint32_t MemoryRequired = 0x1700000;  // 23 MB
const uint32_t ColoursWanted = 32768;
const int32_t PlentyMegabytes = 1000;

// The problems found, listed in a fixed buffer. A line that does not fit leaves the
// list incomplete, but the problem still counts.
struct ProblemList {
    char text[1024] = {};
    bool found = false;
    bool whole = true;

    void add(const char* line) {
        found = true;
        size_t used = strlen(text);
        if (line == nullptr || !formatText(text + used, sizeof text - used, "%s", line)) whole = false;
    }
    // 1 when nothing was found (out emptied). Else 0 with the heading, an empty line and
    // the list in out, or the heading alone when that does not fit: the problems are
    // there whether or not their text could be made.
    int message(const char* heading, char* out, size_t capacity) const {
        copyText(out, capacity, "");
        if (!found) return 1;
        if (!whole || !formatText(out, capacity, "%s\n\n%s", heading, text)) copyText(out, capacity, heading);
        return 0;
    }
};

}  // namespace

int hardProblemsMessage(int administrator, int winNt4OrLater, int win95OrLater, char* out, size_t capacity) {
    ProblemList problems;
    if (!administrator) problems.add(" * You are not an administrator.\n");
    if (!winNt4OrLater && !win95OrLater)
        problems.add(" * Unsupported Windows version (WinNT4/Win95 or better is required).\n");
    return problems.message("You cannot continue with the install due to the following problems:", out, capacity);
}

int softProblemsMessage(uint32_t physicalMemory, uint32_t displayColours, int processorSupported, char* out,
                        size_t capacity) {
    ProblemList problems;
    if (physicalMemory < MemoryRequired) {
        char line[256];
        int made = formatText(line, sizeof line, " * This computer has %.1fMb of RAM, %.1fMb is required.\n\n",
                              static_cast<double>(physicalMemory) / 1048576.0, 23.0);
        problems.add(made ? line : nullptr);
    }
    if (displayColours < ColoursWanted)
        problems.add(" * Graphics will be of a lower quality in a window because\n   Windows is not in a high/true color mode.\n\n");
    if (!processorSupported) problems.add(" * Unsupported processor.\n\n");
    return problems.message("You may continue with the install, but the following issues\nmay cause problems:", out,
                            capacity);
}

int programFilesFolder(const char* windowsDirectory, const char* registered, int (*fixedDisk)(char letter), char* out,
                       size_t capacity, LeadByteTest isLeadByte) {
    // The system's own name for it: "Programme" on a German Windows, "Program Files (x86)"
    // for a 32-bit program on 64-bit Windows, another drive where the owner moved it. An
    // English folder beside it would be a second one.
    char folder[TextBufferSize] = {};
    if (copyText(folder, sizeof folder, registered)) {
        trimInstallFolder(folder, isLeadByte);
        char letter = installDriveLetter(folder, isLeadByte);
        if (letter != 0 && strlen(folder) + 1 + strlen(GameName) <= InstallFolderLimit && fixedDisk(letter))
            return copyText(out, capacity, folder);
    }
    char drive = 'C';
    if (windowsDirectory[0] != '\0' && windowsDirectory[1] == ':' && windowsDirectory[2] == '\\')
        drive = windowsDirectory[0];
    return formatText(out, capacity, "%c:\\Program Files", drive);
}

void trimInstallFolder(char* folder, LeadByteTest isLeadByte) {
    // The end of the last character that is neither: a double-byte character may end in a
    // byte of the code of '\\' (0x95 0x5C, "表" in code page 932), and it stays whole.
    size_t keep = 0;
    for (size_t i = 0; folder[i] != '\0';) {
        size_t size = characterSize(folder + i, isLeadByte);
        if (size == 2 || (folder[i] != '\\' && folder[i] != ' ')) keep = i + size;
        i += size;
    }
    folder[keep] = '\0';
}

char installDriveLetter(const char* folder, LeadByteTest isLeadByte) {
    char letter = folder[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z' || folder[1] != ':' || folder[2] != '\\') return 0;
    // A character the system's code page does not have reaches the program as '?', which
    // no file name may hold: such a folder is refused now, not at the first file.
    // Character by character: a double-byte character's second byte may have the code of '|'.
    for (const char* c = folder + 2; *c != '\0'; c += characterSize(c, isLeadByte)) {
        if (static_cast<unsigned char>(*c) < 32 || strchr("?*\"<>|:", *c) != nullptr) return 0;
    }
    return letter;
}

int32_t freeMegabytes(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint32_t freeClusters) {
    uint64_t bytes = static_cast<uint64_t>(freeClusters) * bytesPerSector * sectorsPerCluster;
    uint64_t megabytes = bytes / 1048576u;
    return megabytes > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(megabytes);
}

int freeSpaceMessage(int32_t megabytes, char letter, char* out, size_t capacity) {
    long required = installManifest.RequiredMegabytes;
    if (megabytes >= PlentyMegabytes)
        return formatText(out, capacity,
                          "The game requires %ldMb of disk space.\nThere is plenty of free space on drive %c.", required,
                          letter);
    return formatText(out, capacity, "The game requires %ldMb of disk space.\nThere is currently %ldMb free on drive %c.",
                      required, static_cast<long>(megabytes), letter);
}
