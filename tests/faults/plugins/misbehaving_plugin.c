// A test plug-in whose entry points do one thing, chosen at build time: PLUGIN_RECORD (appends
// "entry=<SGT|SPE>" and "id=<identifier>" lines to $TRELLIS_TEST_PLUGIN_RECORD), PLUGIN_ABORT,
// PLUGIN_EXIT (status 7), PLUGIN_HANG (until killed), PLUGIN_SEGV, or PLUGIN_UNRESOLVED (needs
// a symbol nothing defines, so loading it fails).
#include "setup_launcher/PrinterPlugin.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

extern int trellis_symbol_nobody_defines(void);

static int32_t act(const char* entry, const PrinterPluginString* deviceID) {
    (void)entry, (void)deviceID;
#if defined(PLUGIN_RECORD)
    const char* path = getenv("TRELLIS_TEST_PLUGIN_RECORD");
    FILE* file = path ? fopen(path, "ab") : NULL;
    size_t length = 0;
    const char* text = deviceID->GetUTF8(deviceID, &length);
    if (file)
        fprintf(file, "entry=%s\nid=%.*s\n", entry, (int)length, text), fclose(file);
#elif defined(PLUGIN_ABORT)
    abort();
#elif defined(PLUGIN_EXIT)
    exit(7);
#elif defined(PLUGIN_HANG)
    for (;;)
        pause();
#elif defined(PLUGIN_SEGV)
    raise(SIGSEGV);
#else
    return trellis_symbol_nobody_defines();
#endif
    return 0;
}

#define ENTRY(tag)                                                                                 \
    int32_t tag##_OpenSetUpDialog(const PrinterPluginString* id, const PrinterPluginBundle* b) {   \
        return (void)b, act(#tag, id);                                                             \
    }
ENTRY(SGT)
ENTRY(SPE)
