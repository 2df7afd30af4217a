#include "platform/SystemInfo.h"

#include "platform/TestingAccess.h"

namespace platform {

namespace {
std::optional<long>& versionOverride() {
    static std::optional<long> version;
    return version;
}
} // namespace

long systemVersion() {
    return versionOverride().value_or(kCurrentSystemVersion);
}

void setSystemVersionForTesting(std::optional<long> version) {
    versionOverride() = version;
}

} // namespace platform
