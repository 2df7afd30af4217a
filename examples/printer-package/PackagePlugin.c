/*
 * The set-up plug-in of the example printers, built once per printer and tool: with
 * EXAMPLE_TOOL_SGT for Sheet Glide Tuner, with EXAMPLE_TOOL_SPE for Stock Profile Editor. A
 * real plug-in shows its set-up dialog here; this one says what it was called for on
 * standard output and returns.
 */
#include <stdio.h>
#include <trellis/PrinterPlugin.h>

static int32_t report(const char* tool, const PrinterPluginString* deviceID,
                      const PrinterPluginBundle* bundle) {
    const char* printer = NULL;
    const char* path = NULL;
    size_t length = 0;
    if (PRINTER_PLUGIN_HAS_FIELD(deviceID, PrinterPluginString, GetUTF8))
        printer = deviceID->GetUTF8(deviceID, &length);
    if (PRINTER_PLUGIN_HAS_FIELD(bundle, PrinterPluginBundle, GetBundlePath))
        path = bundle->GetBundlePath(bundle);
    printf("Orvel example plug-in: %s set-up for \"%s\" from %s\n", tool,
           printer != NULL ? printer : "(none)", path != NULL ? path : "(no bundle)");
    fflush(stdout);
    return 0;
}

#if defined(EXAMPLE_TOOL_SGT)
int32_t SGT_OpenSetUpDialog(const PrinterPluginString* deviceID,
                            const PrinterPluginBundle* bundle) {
    return report("Sheet Glide Tuner", deviceID, bundle);
}
#elif defined(EXAMPLE_TOOL_SPE)
int32_t SPE_OpenSetUpDialog(const PrinterPluginString* deviceID,
                            const PrinterPluginBundle* bundle) {
    return report("Stock Profile Editor", deviceID, bundle);
}
#endif
