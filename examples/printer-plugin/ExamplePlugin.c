/*
 * The smallest printer plug-in for Sheet Glide Tuner (SheetGlideTuner2). A real plug-in
 * shows its set-up dialog modally here (the launcher runs a Qt application, so Qt Widgets
 * may be used); this one writes what it received to standard output and returns.
 */
#include <stdio.h>
#include <trellis/PrinterPlugin.h>

/* Has external linkage but is not exported: the SDK hides everything but the entry point. */
const char* example_or_none(const char* text) {
    return text != NULL ? text : "(none)";
}

int32_t SGT_OpenSetUpDialog(const PrinterPluginString* deviceID,
                            const PrinterPluginBundle* bundle) {
    const char* printer = NULL;
    size_t length = 0;
    if (PRINTER_PLUGIN_HAS_FIELD(deviceID, PrinterPluginString, GetUTF8))
        printer = deviceID->GetUTF8(deviceID, &length);

    const char* path = NULL;
    char version[64] = "";
    if (PRINTER_PLUGIN_HAS_FIELD(bundle, PrinterPluginBundle, GetBundlePath))
        path = bundle->GetBundlePath(bundle);
    if (PRINTER_PLUGIN_HAS_FIELD(bundle, PrinterPluginBundle, CopyInfoString) &&
        bundle->CopyInfoString(bundle, "CFBundleVersion", version, sizeof version) < 0)
        version[0] = '\0';

    printf("Example plug-in: set-up for printer \"%s\" (%zu bytes), bundle %s, version %s\n",
           example_or_none(printer), length, example_or_none(path),
           example_or_none(version[0] != '\0' ? version : NULL));
    fflush(stdout);
    return 0;
}
