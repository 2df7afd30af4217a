#pragma once

#include <QString>

// What the installation checker needs to know of a plug-in's shared object, read from its
// ELF headers as plain bytes: nothing of it is loaded or run.
namespace ElfImage {

enum class Verdict {
    Loadable,      // an ELF shared object of this machine that exports the symbol
    Unreadable,    // missing, not a regular file, or too large
    NotElf,        // not an ELF file at all
    OtherMachine,  // built for another machine architecture, word size or byte order
    NotShared,     // an ELF file, but not a shared object
    SymbolMissing, // the dynamic symbol table does not define the symbol
};

// `machine`, when given, gets the ELF machine of another architecture ("EM 183").
Verdict examine(const QString& path, const char* symbol, QString* machine = nullptr);

} // namespace ElfImage
