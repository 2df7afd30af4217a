// A test plug-in whose entry points do one thing, chosen at build time: PLUGIN_RECORD appends
// "entry=<SGT|SPE>", "id=<identifier>" and "bundle=<path>" lines to $TRELLIS_TEST_PLUGIN_RECORD
// (PLUGIN_ERROR: the same, then returns -4), PLUGIN_ABORT, PLUGIN_EXIT (status 7), PLUGIN_HANG
// (until killed), PLUGIN_SEGV, PLUGIN_UNRESOLVED (needs a symbol nothing defines, so loading it
// fails); PLUGIN_NOENTRY exports no entry point of the contract.
#include "setup_launcher/PrinterPlugin.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

extern int trellis_symbol_nobody_defines(void);

#ifndef PLUGIN_NOENTRY
static int32_t act(const char* entry, const PrinterPluginString* deviceID,
                   const PrinterPluginBundle* bundle) {
    (void)entry, (void)deviceID, (void)bundle;
#if defined(PLUGIN_RECORD) || defined(PLUGIN_ERROR)
    const char* path = getenv("TRELLIS_TEST_PLUGIN_RECORD");
    FILE* file = path ? fopen(path, "ab") : NULL;
    size_t length = 0;
    const char* text = deviceID->GetUTF8(deviceID, &length);
    if (file)
        fprintf(file, "entry=%s\nid=%.*s\nbundle=%s\n", entry, (int)length, text,
                bundle->GetBundlePath(bundle)),
            fclose(file);
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
#ifdef PLUGIN_ERROR
    return -4;
#else
    return 0;
#endif
}

#define ENTRY(tag)                                                                                 \
    int32_t tag##_OpenSetUpDialog(const PrinterPluginString* id, const PrinterPluginBundle* b) {   \
        return act(#tag, id, b);                                                                   \
    }
ENTRY(SGT)
ENTRY(SPE)
#endif
