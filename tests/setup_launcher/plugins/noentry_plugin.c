/* A test plug-in that loads but exports no entry point of the contract. */
#include "setup_launcher/PrinterPlugin.h"

PRINTER_PLUGIN_EXPORT int32_t OpenSetUpDialog(const PrinterPluginString* deviceID,
                                              const PrinterPluginBundle* bundle);

int32_t OpenSetUpDialog(const PrinterPluginString* deviceID, const PrinterPluginBundle* bundle) {
    return deviceID && bundle ? 0 : 1;
}
