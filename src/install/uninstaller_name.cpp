// The uninstaller copy's name (see uninstaller_name.h).
#include "install/uninstaller_name.h"

#include "app/bounded_format.h"
#include "app/product.h"

int uninstallerCopyName(char* out, size_t capacity, const char* windowsDirectory, uint32_t number) {
    return formatText(out, capacity, "%s\\N%08lX-%s-Setup.exe", windowsDirectory,
                      static_cast<unsigned long>(number), GameName);
}
