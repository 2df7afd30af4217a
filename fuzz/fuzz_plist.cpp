// The property-list reader and the look-ups of "Setting.xml" and "Info.plist".
#include "FuzzSupport.h"
#include "catalogue/MachineBundle.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"

#include <algorithm>
#include <vector>

namespace {

// Input beginning with "bplc" describes a binary list of shared containers instead of being
// one: after the prefix, byte i describes container i (at most 1,024). Bit 7: dictionary
// (its keys all refer to the closing string) or array; bits 4-6: 1 to 8 references; bit 3:
// references go back to earlier containers (cycles, self-references) instead of forward;
// bits 0-2 choose the targets. The last object is the string "leaf".
QByteArray sharedContainerList(const uint8_t* description, size_t count) {
    count = std::min<size_t>(count, 1024);
    const uint32_t leaf = uint32_t(count);
    QByteArray out = "bplist00";
    std::vector<uint32_t> offsets;
    auto ref = [&out](uint32_t index) {
        out += char(index >> 8);
        out += char(index & 0xFF);
    };
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t d = description[i];
        const uint32_t fan = 1 + ((d >> 4) & 0x7);
        const bool dictionary = d & 0x80;
        offsets.push_back(uint32_t(out.size()));
        out += char((dictionary ? 0xD0 : 0xA0) | fan);
        if (dictionary) {
            for (uint32_t j = 0; j < fan; ++j)
                ref(leaf);
        }
        for (uint32_t j = 0; j < fan; ++j) {
            if (d & 0x08)
                ref((d + j) % (i + 1));
            else
                ref(i + 1 + ((d & 0x7) + j) % (leaf - i));
        }
    }
    offsets.push_back(uint32_t(out.size()));
    out += "\x54leaf";
    const uint32_t table = uint32_t(out.size());
    for (uint32_t offset : offsets) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out += char((offset >> shift) & 0xFF);
    }
    QByteArray trailer(32, '\0');
    trailer[6] = 4;
    trailer[7] = 2;
    trailer[14] = char(offsets.size() >> 8);
    trailer[15] = char(offsets.size() & 0xFF);
    for (int i = 0; i < 4; ++i)
        trailer[28 + i] = char((table >> (24 - 8 * i)) & 0xFF);
    return out + trailer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ensureCoreApplication();
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (bytes.startsWith("bplc"))
        bytes = sharedContainerList(data + 4, size - 4);
    platform::parsePropertyList(bytes);

    const QString bundle = fuzzScratch() + QStringLiteral("/Fuzz.bundle");
    writeFile(bundle + QStringLiteral("/Contents/Info.plist"), bytes);
    writeFile(bundle + QStringLiteral("/Contents/Resources/Setting.xml"), bytes);
    if (const auto info = platform::Bundle::create(bundle)) {
        info->version();
        info->executablePath();
    }
    CMachineBundle machine;
    if (machine.OnInitialize(QUrl::fromLocalFile(bundle)) == 0) {
        QStringList models;
        if (machine.GetSupportPrinter(&models) == 0) {
            for (const QString& model : models) {
                QString initial;
                machine.GetInitialString(model, &initial);
                machine.IsSupportPrinter(model);
            }
        }
    }
    return 0;
}
