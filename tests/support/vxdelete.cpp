// vxdelete.exe PATH: deferred deletion of one file as the uninstaller does it, on the
// Windows version Wine reports. Prints "result=N short=SHORTPATH".
#include <windows.h>
#include <stdio.h>

#include "app/instance_marker.h"
#include "app/system_profile.h"
#include "uninstall/deferred_delete.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: vxdelete PATH\n");
        return 2;
    }
    probe("");
    InstanceMarker::release();
    char shortPath[1024] = {};
    GetShortPathNameA(argv[1], shortPath, sizeof shortPath);
    int result = DeferredDelete(argv[1]);
    printf("result=%d short=%s\n", result, shortPath);
    return 0;
}
