#include "collision/HostClock.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace Tam::OptExtension {

namespace {

std::string localClock(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (localtime_r(&now, &parts) == nullptr)
        return std::string();
    char text[16];
    size_t length = std::strftime(text, sizeof text, format, &parts);
    return std::string(text, length);
}

}  // namespace

std::string zkUserName() {
    // The password database names the effective account even when the
    // environment has been scrubbed; $USER covers containers without an entry.
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr &&
                                                    entry->pw_name[0] != '\0')
        return entry->pw_name;
    if (const char* user = std::getenv("USER"); user != nullptr)
        return user;
    return std::string();
}

std::string zkDateString() { return localClock("%m/%d/%y"); }

std::string zkTimeString() { return localClock("%H:%M:%S"); }

}  // namespace Tam::OptExtension
