// Keeps a second copy of the program from running: a named file mapping whose
// existence alone says that an instance is running.
#pragma once

struct InstanceMarker {
    // Creates or opens the marker and holds it. 1 when another instance holds it
    // (or the name could not be taken), 0 when this process is the only one.
    static int acquire();
    // Lets go of the marker, if held. Always 0; releasing twice is harmless.
    static int release();
};
