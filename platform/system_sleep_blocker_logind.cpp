// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstring>

#include <fcntl.h>

#include <systemd/sd-bus.h>

#include "platform/sleep_inhibitor.h"

namespace {

// logind answers at once; a bus that does not must not hold the run up for long.
constexpr uint64_t kBusTimeoutUs = 5'000'000;

class LogindBlocker : public SleepBlocker {
public:
    int Inhibit(const char* what, const char* who, const char* why, std::string& reason) override {
        sd_bus* bus = nullptr;
        int result = sd_bus_open_system(&bus);
        if (result < 0) {
            reason = std::string("no system bus: ") + strerror(-result);
            return -1;
        }
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* call = nullptr;
        sd_bus_message* reply = nullptr;
        int fd = -1;
        result = sd_bus_message_new_method_call(bus, &call, "org.freedesktop.login1", "/org/freedesktop/login1",
                                                "org.freedesktop.login1.Manager", "Inhibit");
        if (result >= 0) result = sd_bus_message_append(call, "ssss", what, who, why, "block");
        if (result >= 0) result = sd_bus_call(bus, call, kBusTimeoutUs, &error, &reply);
        if (result < 0) {
            reason = error.message != nullptr ? error.message : strerror(-result);
        } else {
            int borrowed = -1;
            result = sd_bus_message_read(reply, "h", &borrowed);
            // The reply owns its descriptor; the inhibitor lives as long as our own copy.
            if (result >= 0) fd = fcntl(borrowed, F_DUPFD_CLOEXEC, 3);
            if (fd < 0) reason = "logind's answer held no usable descriptor";
        }
        sd_bus_message_unref(reply);
        sd_bus_message_unref(call);
        sd_bus_error_free(&error);
        sd_bus_flush_close_unref(bus);
        return fd;
    }
};

}  // namespace

SleepBlocker& SystemSleepBlocker() {
    static LogindBlocker blocker;
    return blocker;
}
