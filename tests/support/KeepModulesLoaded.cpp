// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every program of a sanitizer build (KORVEX_SANITIZE) and into
// nothing else: no shared object is unloaded before the program ends.
//
// A platform plugin may load a graphics driver and unload it again before
// exit (Qt's Wayland client loads Mesa's EGL, which loads a DRI driver; which
// one depends on the machine). Memory such a driver keeps for good is then
// reported by the leak checker from "<unknown module>", a frame that no
// suppression can name, so the report would depend on the machine's drivers.
// Kept loaded, the driver's frames carry its module's name, and
// scripts/lsan.supp names the third-party modules whose leaks are not ours.
//
// A definition in the executable comes first in symbol lookup, before the C
// library's and the sanitizer runtime's, so every library's call lands here.
extern "C" int dlclose(void *handle);

extern "C" int dlclose(void *handle)
{
    // The handle stays valid, as if someone else still held the object.
    static_cast<void>(handle);
    return 0;
}
