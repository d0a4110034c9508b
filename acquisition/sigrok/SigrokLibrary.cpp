// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/SigrokLibrary.h"

#include "acquisition/TextConversions.h"
#include "data/Errors.h"
#include "texts/Texts.h"

#include <libsigrok/libsigrok.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tessary {

namespace {

std::mutex acquireMutex;
std::weak_ptr<SigrokLibrary> shared;

// An unsigned count as sigrok writes them: digits, optionally with a decimal part and the
// multiplier k, M or G ("200k", "1.5M"); read the same way under every locale.
bool ReadCount(const std::string& text, std::uint64_t& value) {
    std::string number = text;
    double multiplier = 1;
    if (!number.empty()) {
        switch (number.back()) {
        case 'k':
            multiplier = 1e3;
            break;
        case 'M':
            multiplier = 1e6;
            break;
        case 'G':
            multiplier = 1e9;
            break;
        default:
            break;
        }
        if (multiplier > 1) {
            number.pop_back();
        }
    }
    if (number.empty() || number.find_first_not_of("0123456789.") != std::string::npos) {
        return false;
    }
    double read = 0;
    try {
        read = TextToFloat(number) * multiplier;
    } catch (const ConversionError&) {
        return false;
    }
    if (!(read >= 0 && read < 1.8e19) ||
        read != static_cast<double>(static_cast<std::uint64_t>(read))) {
        return false;
    }
    value = static_cast<std::uint64_t>(read);
    return true;
}

bool ReadSwitch(const std::string& text, bool& value) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c | 0x20); });
    if (lower == "1" || lower == "on" || lower == "true" || lower == "yes") {
        value = true;
        return true;
    }
    if (lower == "0" || lower == "off" || lower == "false" || lower == "no") {
        value = false;
        return true;
    }
    return false;
}

// The library's typed value of `text` for a key of `datatype`, with its reference taken;
// null when the text does not read as that type.
GVariant* VariantOf(int datatype, const std::string& text) {
    GVariant* value = nullptr;
    switch (datatype) {
    case SR_T_STRING:
        value = g_variant_new_string(text.c_str());
        break;
    case SR_T_UINT64: {
        std::uint64_t count = 0;
        if (ReadCount(text, count)) {
            value = g_variant_new_uint64(count);
        }
        break;
    }
    case SR_T_BOOL: {
        bool on = false;
        if (ReadSwitch(text, on)) {
            value = g_variant_new_boolean(on ? TRUE : FALSE);
        }
        break;
    }
    case SR_T_FLOAT:
        try {
            value = g_variant_new_double(TextToFloat(text));
        } catch (const ConversionError&) {
        }
        break;
    case SR_T_INT32:
        try {
            value = g_variant_new_int32(TextToInt(text));
        } catch (const ConversionError&) {
        }
        break;
    case SR_T_RATIONAL_PERIOD:
    case SR_T_RATIONAL_VOLT: {
        std::uint64_t p = 0;
        std::uint64_t q = 0;
        const int read = datatype == SR_T_RATIONAL_PERIOD ? sr_parse_period(text.c_str(), &p, &q)
                                                          : sr_parse_voltage(text.c_str(), &p, &q);
        if (read == SR_OK) {
            value = g_variant_new("(tt)", p, q);
        }
        break;
    }
    default:
        break;
    }
    return value != nullptr ? g_variant_ref_sink(value) : nullptr;
}

bool TakesScanOption(sr_dev_driver* driver, std::uint32_t key) {
    GArray* keys = sr_driver_scan_options_list(driver);
    if (keys == nullptr) {
        return false;
    }
    bool takes = false;
    for (guint k = 0; k < keys->len; ++k) {
        takes = takes || g_array_index(keys, std::uint32_t, k) == key;
    }
    g_array_free(keys, TRUE);
    return takes;
}

void FreeConfig(gpointer data) {
    auto* config = static_cast<sr_config*>(data);
    g_variant_unref(config->data);
    g_free(config);
}

std::string OrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

} // namespace

std::shared_ptr<SigrokLibrary> SigrokLibrary::Acquire() {
    const std::lock_guard lock(acquireMutex);
    std::shared_ptr<SigrokLibrary> library = shared.lock();
    if (!library) {
        library.reset(new SigrokLibrary);
        shared = library;
    }
    return library;
}

SigrokLibrary::SigrokLibrary() {
    sr_log_loglevel_set(SR_LOG_WARN);
    sr_log_callback_set(&SigrokLibrary::Log, this);
    if (sr_init(&context_) != SR_OK) {
        sr_log_callback_set_default();
        throw InOutError(texts::SigrokUnavailable);
    }
}

SigrokLibrary::~SigrokLibrary() {
    sr_exit(context_);
    sr_log_callback_set_default();
}

int SigrokLibrary::Log(void* self, int level, const char* format, std::va_list args) {
    if (level > SR_LOG_WARN) {
        return SR_OK;
    }
    char line[512];
    std::vsnprintf(line, sizeof line, format, args);
    auto* library = static_cast<SigrokLibrary*>(self);
    const std::lock_guard lock(library->logMutex_);
    library->lastMessage_ = line;
    return SR_OK;
}

std::string SigrokLibrary::TakeLastMessage() {
    const std::lock_guard lock(logMutex_);
    return std::exchange(lastMessage_, {});
}

sr_dev_driver* SigrokLibrary::Driver(const std::string& name) {
    for (sr_dev_driver** driver = sr_driver_list(context_); driver && *driver; ++driver) {
        if (name == (*driver)->name) {
            if (!initialised_.contains(*driver)) {
                if (sr_driver_init(context_, *driver) != SR_OK) {
                    return nullptr;
                }
                initialised_.insert(*driver);
            }
            return *driver;
        }
    }
    return nullptr;
}

void SigrokLibrary::ForgetDevicesOf(sr_dev_driver* driver) {
    if (open_[driver] == 0) {
        sr_dev_clear(driver);
    }
}

std::vector<SigrokLibrary::FoundDevice> SigrokLibrary::ScanAll() {
    std::vector<FoundDevice> found;
    std::vector<std::string> names;
    for (sr_dev_driver** driver = sr_driver_list(context_); driver && *driver; ++driver) {
        names.emplace_back((*driver)->name);
    }
    for (const std::string& name : names) {
        sr_dev_driver* driver = Driver(name);
        if (driver == nullptr) {
            continue;
        }
        ForgetDevicesOf(driver);
        GSList* devices = sr_driver_scan(driver, nullptr);
        for (GSList* node = devices; node != nullptr; node = node->next) {
            auto* device = static_cast<sr_dev_inst*>(node->data);
            FoundDevice entry;
            entry.Card.Type = CardName::Kind::Sigrok;
            entry.Card.Driver = name;
            const std::string connection = OrEmpty(sr_dev_inst_connid_get(device));
            if (!connection.empty() && TakesScanOption(driver, SR_CONF_CONN)) {
                entry.Card.Options.emplace_back("conn", connection);
            }
            entry.Name = OrEmpty(sr_dev_inst_vendor_get(device)) + " " +
                         OrEmpty(sr_dev_inst_model_get(device)) +
                         (connection.empty() ? "" : " (" + connection + ")");
            found.push_back(std::move(entry));
        }
        g_slist_free(devices);
    }
    TakeLastMessage(); // drivers that need a connection complain; nobody asked them
    return found;
}

std::vector<sr_dev_inst*> SigrokLibrary::Scan(const CardName& card, std::string& why) {
    why.clear();
    sr_dev_driver* driver = Driver(card.Driver);
    if (driver == nullptr) {
        why = texts::SigrokUnknownDriver(card.Driver);
        return {};
    }
    GSList* options = nullptr;
    for (const auto& [key, value] : card.Options) {
        const sr_key_info* info = sr_key_info_name_get(SR_KEY_CONFIG, key.c_str());
        GVariant* data = info != nullptr && TakesScanOption(driver, info->key)
                             ? VariantOf(info->datatype, value)
                             : nullptr;
        if (data == nullptr) {
            g_slist_free_full(options, FreeConfig);
            why = texts::SigrokOptionRefused(card.Text(), key + "=" + value);
            return {};
        }
        auto* config = g_new0(sr_config, 1);
        config->key = info->key;
        config->data = data;
        options = g_slist_append(options, config);
    }
    ForgetDevicesOf(driver);
    GSList* devices = sr_driver_scan(driver, options);
    g_slist_free_full(options, FreeConfig);
    std::vector<sr_dev_inst*> found;
    for (GSList* node = devices; node != nullptr; node = node->next) {
        found.push_back(static_cast<sr_dev_inst*>(node->data));
    }
    g_slist_free(devices);
    return found;
}

bool SigrokLibrary::Configure(sr_dev_inst* device, sr_channel_group* group, const std::string& key,
                              const std::string& value, std::string& why) {
    const sr_key_info* info = sr_key_info_name_get(SR_KEY_CONFIG, key.c_str());
    GVariant* data = info != nullptr && (sr_dev_config_capabilities_list(device, group, info->key) &
                                         SR_CONF_SET) != 0
                         ? VariantOf(info->datatype, value)
                         : nullptr;
    if (data == nullptr) {
        why = key + "=" + value;
        return false;
    }
    const int result = sr_config_set(device, group, info->key, data);
    g_variant_unref(data);
    if (result != SR_OK) {
        why = key + "=" + value;
        return false;
    }
    return true;
}

bool SigrokLibrary::Open(sr_dev_inst* device) {
    if (sr_dev_open(device) != SR_OK) {
        return false;
    }
    ++open_[sr_dev_inst_driver_get(device)];
    return true;
}

void SigrokLibrary::Close(sr_dev_inst* device) {
    sr_dev_close(device);
    --open_[sr_dev_inst_driver_get(device)];
}

} // namespace tessary
