// Reading a text value from the registry into one of the fixed 1024-byte buffers.
#pragma once
#include <windows.h>

#include "app/scoped_handles.h"

// 1 when the value was read whole with its NUL into buffer[TextBufferSize]. Values
// are written with their NUL, but another program may store one without it: a
// shorter one is terminated after its data; one that fills the whole buffer would
// be cut and counts as missing, as does a longer one. On 0 the buffer is emptied.
int queryRegistryText(HKEY key, const char* name, char* buffer);

// Opens a key of HKEY_LOCAL_MACHINE in the system's own view: on 64-bit Windows a 32-bit
// program is otherwise shown the 32-bit copy of Software, which need not hold what the
// system keeps. Systems that do not know the flag (older ones may refuse it) are asked
// plainly. 1 when open.
int openNativeKey(const char* name, REGSAM access, RegKey& key);
