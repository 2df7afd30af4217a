#include "check/ElfImage.h"

#include "platform/FileSystem.h"

#include <QByteArray>
#include <QFile>
#include <cstring>
#include <elf.h>
#include <optional>
#include <unistd.h>

namespace {

// Shared objects of plug-ins are small; a larger file is not what the set-up launcher loads.
constexpr qint64 kMaxSharedObjectSize = qint64(1) << 30;

#if defined(__LP64__)
using Ehdr = Elf64_Ehdr;
using Shdr = Elf64_Shdr;
using Sym = Elf64_Sym;
constexpr unsigned char kClass = ELFCLASS64;
#else
using Ehdr = Elf32_Ehdr;
using Shdr = Elf32_Shdr;
using Sym = Elf32_Sym;
constexpr unsigned char kClass = ELFCLASS32;
#endif

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kData = ELFDATA2LSB;
#else
constexpr unsigned char kData = ELFDATA2MSB;
#endif

#if defined(__x86_64__)
constexpr Elf64_Half kMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr Elf64_Half kMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr Elf32_Half kMachine = EM_386;
#elif defined(__arm__)
constexpr Elf32_Half kMachine = EM_ARM;
#elif defined(__riscv)
constexpr Elf64_Half kMachine = EM_RISCV;
#elif defined(__powerpc64__)
constexpr Elf64_Half kMachine = EM_PPC64;
#elif defined(__s390x__)
constexpr Elf64_Half kMachine = EM_S390;
#else
#error "the machine architecture of this build is not known to the checker"
#endif

// A T at `offset` of the bytes, when all of it lies inside them.
template <typename T>
std::optional<T> at(const QByteArray& bytes, quint64 offset) {
    if (offset > quint64(bytes.size()) || quint64(bytes.size()) - offset < sizeof(T))
        return std::nullopt;
    T value;
    std::memcpy(&value, bytes.constData() + offset, sizeof(T));
    return value;
}

// Whether the dynamic symbol table defines `symbol` as a global or weak symbol.
bool exports(const QByteArray& bytes, const Ehdr& header, const char* symbol) {
    if (header.e_shentsize != sizeof(Shdr))
        return false;
    const std::size_t wanted = std::strlen(symbol);
    for (quint64 i = 0; i < header.e_shnum; ++i) {
        const auto section = at<Shdr>(bytes, header.e_shoff + i * sizeof(Shdr));
        if (!section)
            return false;
        if (section->sh_type != SHT_DYNSYM || section->sh_entsize != sizeof(Sym))
            continue;
        const auto strings =
            at<Shdr>(bytes, header.e_shoff + quint64(section->sh_link) * sizeof(Shdr));
        if (!strings || strings->sh_offset > quint64(bytes.size()) ||
            strings->sh_size > quint64(bytes.size()) - strings->sh_offset)
            return false;
        const quint64 count = section->sh_size / sizeof(Sym);
        for (quint64 s = 0; s < count; ++s) {
            const auto entry = at<Sym>(bytes, section->sh_offset + s * sizeof(Sym));
            if (!entry)
                return false;
            const unsigned binding = ELF64_ST_BIND(entry->st_info);
            if (entry->st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK) ||
                entry->st_name >= strings->sh_size)
                continue;
            const char* name = bytes.constData() + strings->sh_offset + entry->st_name;
            const quint64 room = strings->sh_size - entry->st_name;
            if (room > wanted && std::memcmp(name, symbol, wanted) == 0 && name[wanted] == '\0')
                return true;
        }
    }
    return false;
}

} // namespace

ElfImage::Verdict ElfImage::examine(const QString& path, const char* symbol, QString* machine) {
    // Mapped, not read: only the pages the headers and the symbol table lie on are touched.
    qint64 size = 0;
    const int fd = platform::openRegularFile(path, &size);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return Verdict::Unreadable;
    }
    if (size > kMaxSharedObjectSize)
        return Verdict::Unreadable;
    if (size < qint64(sizeof(Ehdr)))
        return Verdict::NotElf;
    const uchar* mapped = file.map(0, size);
    if (!mapped)
        return Verdict::Unreadable;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(size));
    const auto header = at<Ehdr>(bytes, 0);
    if (std::memcmp(bytes.constData(), ELFMAG, SELFMAG) != 0)
        return Verdict::NotElf;
    const auto* ident = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (ident[EI_CLASS] != kClass || ident[EI_DATA] != kData || header->e_machine != kMachine) {
        if (machine)
            *machine = QStringLiteral("ELF class %1, machine %2")
                           .arg(ident[EI_CLASS] == ELFCLASS64 ? 64 : 32)
                           .arg(header->e_machine);
        return Verdict::OtherMachine;
    }
    if (header->e_type != ET_DYN)
        return Verdict::NotShared;
    return exports(bytes, *header, symbol) ? Verdict::Loadable : Verdict::SymbolMissing;
}
