// The floor of a set-up launcher: a Qt Widgets application that only loads a printer
// plug-in and calls its Sheet Glide Tuner entry point with the printer and the plug-in's
// bundle, as SheetGlideTuner2 does, and nothing else.
// bench_app_plugin_floor <shared object> <plug-in bundle folder> <printer>

#include "setup_launcher/PrinterPlugin.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>

namespace {

const char* sPrinter = "";
const char* sBundle = "";

const char* printerText(const PrinterPluginString*, size_t* length) {
    if (length)
        *length = std::strlen(sPrinter);
    return sPrinter;
}

const char* bundlePath(const PrinterPluginBundle*) {
    return sBundle;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr,
                     "usage: bench_app_plugin_floor <shared object> <bundle folder> <printer>\n");
        return 2;
    }
    sBundle = argv[2];
    sPrinter = argv[3];
    void* library = ::dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return 1;
    const auto entry = reinterpret_cast<PrinterPluginOpenSetUpDialogProc>(
        ::dlsym(library, SGT_OPEN_SET_UP_DIALOG_NAME));
    if (!entry)
        return 1;
    PrinterPluginString printer{};
    printer.size = sizeof printer;
    printer.version = PRINTER_PLUGIN_INTERFACE_VERSION;
    printer.GetUTF8 = &printerText;
    PrinterPluginBundle bundle{};
    bundle.size = sizeof bundle;
    bundle.version = PRINTER_PLUGIN_INTERFACE_VERSION;
    bundle.GetBundlePath = &bundlePath;
    entry(&printer, &bundle);
    ::dlclose(library);
    return 0;
}
