/* A test plug-in whose entry points misbehave in one way, chosen at build time:
   PLUGIN_ABORT, PLUGIN_EXIT (status 7), PLUGIN_HANG (until killed), PLUGIN_SEGV, or
   PLUGIN_UNRESOLVED (needs a symbol nothing defines, so loading it fails). */
#include "setup_launcher/PrinterPlugin.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#ifdef PLUGIN_UNRESOLVED
extern int trellis_symbol_nobody_defines(void);
#endif

static int32_t misbehave(void) {
#if defined(PLUGIN_ABORT)
    abort();
    return 0;
#elif defined(PLUGIN_EXIT)
    exit(7);
    return 0;
#elif defined(PLUGIN_HANG)
    for (;;)
        pause();
    return 0;
#elif defined(PLUGIN_SEGV)
    raise(SIGSEGV);
    return 0;
#elif defined(PLUGIN_UNRESOLVED)
    return trellis_symbol_nobody_defines();
#else
#error "choose a misbehaviour"
#endif
}

int32_t SGT_OpenSetUpDialog(const PrinterPluginString* deviceID,
                            const PrinterPluginBundle* bundle) {
    (void)deviceID;
    (void)bundle;
    return misbehave();
}

int32_t SPE_OpenSetUpDialog(const PrinterPluginString* deviceID,
                            const PrinterPluginBundle* bundle) {
    return SGT_OpenSetUpDialog(deviceID, bundle);
}
