// Decoding of the launch hand-off that a started tool finds in its environment.
#include "platform/AppleEvents.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto descriptor = platform::decodeLaunchDescriptor(text)) {
        // What decodes encodes back to a form that decodes to the same descriptor.
        if (platform::decodeLaunchDescriptor(platform::encodeLaunchDescriptor(*descriptor)) !=
            descriptor)
            __builtin_trap();
    }
    return 0;
}
