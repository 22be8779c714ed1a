// The install record and the uninstall entry in the registry.
#include "app/install_record.h"

#include <string.h>

#include "app/bounded_format.h"
#include "app/product.h"
#include "app/registry_text.h"
#include "app/scoped_handles.h"

namespace {

const char* const UnfinishedValue = "Unfinished";

int setText(HKEY key, const char* name, const char* text) {
    LONG status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>(strlen(text) + 1));
    return status == ERROR_SUCCESS ? 1 : 0;
}

int setNumber(HKEY key, const char* name, DWORD number) {
    LONG status = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    return status == ERROR_SUCCESS ? 1 : 0;
}

int createForWriting(const char* name, RegKey& key) {
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, name, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_WRITE, nullptr, key.out(), nullptr);
    return status == ERROR_SUCCESS ? 1 : 0;
}

// Flushes and closes a key that was written; both results count.
int flushAndClose(RegKey& key) {
    int result = RegFlushKey(key.get()) == ERROR_SUCCESS ? 1 : 0;
    if (!key.close()) result = 0;
    return result;
}

}  // namespace

int readInstallRecord(char* path, char* setup) {
    int result = 1;
    if (path != nullptr) path[0] = '\0';
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, VersionKeyName, 0, KEY_READ, key.out()) != ERROR_SUCCESS)
        return 0;
    if (path != nullptr && !queryRegistryText(key.get(), "Path", path)) {
        path[0] = '\0';
        result = 0;
    }
    if (setup != nullptr && !queryRegistryText(key.get(), "Setup", setup)) setup[0] = '\0';
    if (!key.close()) result = 0;
    return result;
}

int writeInstallRecord(const char* installFolder, const char* uninstallerCopy) {
    RegKey key;
    if (!createForWriting(VersionKeyName, key)) return 0;
    int result = setNumber(key.get(), UnfinishedValue, 1);
    if (!setText(key.get(), "Path", installFolder)) result = 0;
    // Setup is written even when Path failed, so the key is always complete or reported.
    if (!setText(key.get(), "Setup", uninstallerCopy)) result = 0;
    if (!flushAndClose(key)) result = 0;
    return result;
}

int markInstallFinished() {
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, VersionKeyName, 0, KEY_SET_VALUE, key.out()) != ERROR_SUCCESS) return 0;
    int result = RegDeleteValueA(key.get(), UnfinishedValue) == ERROR_SUCCESS ? 1 : 0;
    // Flushed: a record that reached the disk as finished must not be older than its files.
    if (!flushAndClose(key)) result = 0;
    return result;
}

int installState() {
    char path[TextBufferSize] = {};
    RegKey key;
    if (!readInstallRecord(path, nullptr) ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, VersionKeyName, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS)
        return InstallNone;
    // Only a mark known to be absent makes the install finished: one that cannot be read
    // offers the install again rather than a game that may be cut short.
    LONG status = RegQueryValueExA(key.get(), UnfinishedValue, nullptr, nullptr, nullptr, nullptr);
    return status == ERROR_FILE_NOT_FOUND ? InstallFinished : InstallUnfinished;
}

int deleteInstallKeys() {
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, VersionKeyName) != ERROR_SUCCESS) return 0;
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, GameKeyName) != ERROR_SUCCESS) return 0;

    int result = 1;
    RegKey publisher;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PublisherKeyName, 0, KEY_READ, publisher.out()) !=
        ERROR_SUCCESS)
        return 0;
    DWORD subkeys = 0;
    DWORD values = 0;
    LONG status = RegQueryInfoKeyA(publisher.get(), nullptr, nullptr, nullptr, &subkeys, nullptr,
                                   nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    if (!publisher.close()) result = 0;
    // The publisher key may hold other products of the same publisher: leave it then.
    if (status != ERROR_SUCCESS || subkeys != 0 || values != 0) return 0;
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, PublisherKeyName) != ERROR_SUCCESS) result = 0;
    return result;
}

int writeUninstallEntry(const char* uninstallerCopy) {
    RegKey key;
    if (!createForWriting(UninstallEntryKeyName, key)) return 0;
    int result = setText(key.get(), "DisplayName", GameName);
    char command[TextBufferSize] = {};
    // A command that does not fit is not written at all: a cut path would start
    // some other program when the player removes the game.
    // A path with a blank is quoted: unquoted, the system would try "C:\My" first and could
    // start another program. Without one it stays exactly "<path> U".
    const char* format = strchr(uninstallerCopy, ' ') != nullptr ? "\"%s\" U" : "%s U";
    if (!formatText(command, sizeof command, format, uninstallerCopy) ||
        !setText(key.get(), "UninstallString", command))
        result = 0;
    if (!flushAndClose(key)) result = 0;
    return result;
}

int deleteUninstallEntry() {
    RegKey list;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallListKeyName, 0, KEY_READ, list.out()) !=
        ERROR_SUCCESS)
        return 0;
    int result = RegDeleteKeyA(list.get(), GameName) == ERROR_SUCCESS ? 1 : 0;
    if (!flushAndClose(list)) result = 0;
    return result;
}

int writeUninstallDetails(const char* installFolder, DWORD estimatedKilobytes) {
    RegKey key;
    if (!createForWriting(UninstallEntryKeyName, key)) return 0;
    char icon[TextBufferSize] = {};
    // The game's own icon for its line in the list; a folder too long for it leaves the
    // icon out rather than naming some other file.
    int result = formatText(icon, sizeof icon, "%s\\%s,0", installFolder, GameExecutable);
    if (!result || !setText(key.get(), "DisplayIcon", icon)) result = 0;
    if (!setText(key.get(), "DisplayVersion", GameVersion)) result = 0;
    if (!setText(key.get(), "Publisher", PublisherFolder)) result = 0;
    if (!setText(key.get(), "InstallLocation", installFolder)) result = 0;
    if (!setNumber(key.get(), "EstimatedSize", estimatedKilobytes)) result = 0;
    // There is nothing to change or repair: the list offers only the removal.
    if (!setNumber(key.get(), "NoModify", 1)) result = 0;
    if (!setNumber(key.get(), "NoRepair", 1)) result = 0;
    if (!flushAndClose(key)) result = 0;
    return result;
}

int writeShortcutGroup(const char* groupFolder) {
    RegKey key;
    if (!createForWriting(VersionKeyName, key)) return 0;
    int result = setText(key.get(), "Group", groupFolder);
    if (!flushAndClose(key)) result = 0;
    return result;
}

int readShortcutGroup(char* groupFolder) {
    groupFolder[0] = '\0';
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, VersionKeyName, 0, KEY_READ, key.out()) != ERROR_SUCCESS) return 0;
    int result = queryRegistryText(key.get(), "Group", groupFolder);
    if (!result) groupFolder[0] = '\0';
    if (!key.close()) result = 0;
    return result;
}
