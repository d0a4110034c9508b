// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/CardName.h"

#include <cstdarg>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

struct sr_context;
struct sr_dev_driver;
struct sr_dev_inst;
struct sr_channel_group;

namespace tessary {

// libsigrok for the whole process: one library context, shared by every user and ended
// when the last one lets go; the drivers it has set up; the devices they found; and the
// conversion of options written as text into the library's typed values. The library's own
// log is kept quiet: its last error is kept for the operator's messages instead.
//
// Every call comes from the engine's thread. A scan frees what an earlier scan of the same
// driver found, unless a device of that driver is open, so a device found is only used until
// the next scan, except while it is open.
class SigrokLibrary {
public:
    // A device that a scan without options found, for the operator to choose.
    struct FoundDevice {
        CardName Card;
        std::string Name; // vendor, model and connection as the library gives them
    };

    static std::shared_ptr<SigrokLibrary> Acquire();
    ~SigrokLibrary();
    SigrokLibrary(const SigrokLibrary&) = delete;
    SigrokLibrary& operator=(const SigrokLibrary&) = delete;

    // Every device that the drivers find without being told where to look (USB devices and
    // the demo device); serial devices need a conn=... option.
    std::vector<FoundDevice> ScanAll();

    // The devices that the card name `card` gives. An empty result with `why` set (an operator's
    // message, UTF-8) when the driver is unknown or an option cannot be given to it; an empty
    // result with `why` empty when the driver simply found nothing.
    std::vector<sr_dev_inst*> Scan(const CardName& card, std::string& why);

    // Gives `key`=`value` to the device (to its channel group `group`, or to the whole device
    // when null). False with `why` set when the device does not take it or the value does
    // not read.
    bool Configure(sr_dev_inst* device, sr_channel_group* group, const std::string& key,
                   const std::string& value, std::string& why);

    // Opening and closing devices through the library keeps their scan results alive.
    bool Open(sr_dev_inst* device);
    void Close(sr_dev_inst* device);

    // The last error or warning the library logged, or empty; cleared by the call.
    std::string TakeLastMessage();

    sr_context* Context() const { return context_; }

private:
    SigrokLibrary();
    sr_dev_driver* Driver(const std::string& name);
    void ForgetDevicesOf(sr_dev_driver* driver);
    static int Log(void* self, int level, const char* format, std::va_list args);

    sr_context* context_ = nullptr;
    std::set<sr_dev_driver*> initialised_;
    std::map<sr_dev_driver*, int> open_;
    std::mutex logMutex_; // the library logs from the session threads too
    std::string lastMessage_;
};

} // namespace tessary
