/* A test plug-in whose entry points crash, for fault tests: the set-up launcher dies of it,
   and nothing else may. */
#include "setup_launcher/PrinterPlugin.h"

#include <signal.h>

int32_t SGT_OpenSetUpDialog(const PrinterPluginString* deviceID,
                            const PrinterPluginBundle* bundle) {
    (void)deviceID;
    (void)bundle;
    raise(SIGSEGV);
    return 0;
}

int32_t SPE_OpenSetUpDialog(const PrinterPluginString* deviceID,
                            const PrinterPluginBundle* bundle) {
    return SGT_OpenSetUpDialog(deviceID, bundle);
}
