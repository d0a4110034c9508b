// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/SigrokDevice.h"

#include "acquisition/sigrok/SigrokLibrary.h"
#include "texts/Texts.h"

#include <libsigrok/libsigrok.h>

#include <algorithm>

namespace tessary {

namespace {

std::string OrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

// The rates of the dictionary that sr_config_list gives for SR_CONF_SAMPLERATE.
void ReadRateList(GVariant* list, RateCapability& rates) {
    if (GVariant* steps = g_variant_lookup_value(list, "samplerate-steps", G_VARIANT_TYPE("at"))) {
        gsize n = 0;
        const auto* values = static_cast<const std::uint64_t*>(
            g_variant_get_fixed_array(steps, &n, sizeof(std::uint64_t)));
        if (n == 3) {
            rates.Range = RateCapability::Steps{values[0], values[1], values[2]};
        }
        g_variant_unref(steps);
    }
    if (GVariant* list_ = g_variant_lookup_value(list, "samplerates", G_VARIANT_TYPE("at"))) {
        gsize n = 0;
        const auto* values = static_cast<const std::uint64_t*>(
            g_variant_get_fixed_array(list_, &n, sizeof(std::uint64_t)));
        rates.Rates.assign(values, values + n);
        g_variant_unref(list_);
    }
}

// The channel group that holds `channel`: one of its own if there is one, else the first.
sr_channel_group* GroupOf(sr_dev_inst* device, sr_channel* channel) {
    sr_channel_group* first = nullptr;
    for (GSList* node = sr_dev_inst_channel_groups_get(device); node; node = node->next) {
        auto* group = static_cast<sr_channel_group*>(node->data);
        if (g_slist_find(group->channels, channel) == nullptr) {
            continue;
        }
        if (g_slist_length(group->channels) == 1) {
            return group;
        }
        if (first == nullptr) {
            first = group;
        }
    }
    return first;
}

} // namespace

std::unique_ptr<SigrokDevice> SigrokDevice::Open(SigrokLibrary& library, sr_dev_inst* device,
                                                 std::string& why) {
    std::unique_ptr<SigrokDevice> opened(new SigrokDevice(library, device));
    if (!library.Open(device)) {
        why = texts::SigrokCannotOpen(opened->description_.Name(), library.TakeLastMessage());
        opened->device_ = nullptr;
        return nullptr;
    }
    if (sr_session_new(library.Context(), &opened->session_) != SR_OK ||
        sr_session_dev_add(opened->session_, device) != SR_OK) {
        why = texts::SigrokCannotOpen(opened->description_.Name(), library.TakeLastMessage());
        return nullptr;
    }
    return opened;
}

SigrokDevice::SigrokDevice(SigrokLibrary& library, sr_dev_inst* device)
    : library_(library), device_(device) {
    description_.Driver = OrEmpty(sr_dev_inst_driver_get(device)->name);
    description_.Vendor = OrEmpty(sr_dev_inst_vendor_get(device));
    description_.Model = OrEmpty(sr_dev_inst_model_get(device));
    description_.Connection = OrEmpty(sr_dev_inst_connid_get(device));
    for (GSList* node = sr_dev_inst_channels_get(device); node; node = node->next) {
        auto* channel = static_cast<sr_channel*>(node->data);
        if (channel->type == SR_CHANNEL_ANALOG) {
            analog_.push_back(channel);
            description_.Channels.push_back(OrEmpty(channel->name));
        }
    }
    description_.Units.resize(analog_.size());

    const int rateAccess = sr_dev_config_capabilities_list(device, nullptr, SR_CONF_SAMPLERATE);
    rates_.HasRate = (rateAccess & SR_CONF_SET) != 0;
    GVariant* list = nullptr;
    if (rates_.HasRate && (rateAccess & SR_CONF_LIST) != 0 &&
        sr_config_list(sr_dev_inst_driver_get(device), device, nullptr, SR_CONF_SAMPLERATE,
                       &list) == SR_OK &&
        list != nullptr) {
        ReadRateList(list, rates_);
        g_variant_unref(list);
    }
}

SigrokDevice::~SigrokDevice() {
    if (session_ != nullptr) {
        sr_session_destroy(session_);
    }
    if (device_ != nullptr) {
        library_.Close(device_);
    }
}

bool SigrokDevice::Apply(const SigrokCardSettings& settings, std::string& why) {
    std::string option;
    for (const auto& [key, value] : settings.DeviceOptions) {
        if (!library_.Configure(device_, nullptr, key, value, option)) {
            why = texts::SigrokOptionRefused(description_.Name(), option);
            return false;
        }
    }
    const std::size_t inputs = std::min(analog_.size(), settings.Channels.size());
    for (std::size_t k = 0; k < inputs; ++k) {
        sr_channel_group* group = GroupOf(device_, analog_[k]);
        for (const auto& [key, value] : settings.Channels[k].Options) {
            if (!library_.Configure(device_, group, key, value, option)) {
                why = texts::SigrokOptionRefused(
                    description_.Name() + " " + description_.Channels[k], option);
                return false;
            }
        }
    }
    return true;
}

void SigrokDevice::Enable(const std::vector<int>& inputs) {
    for (GSList* node = sr_dev_inst_channels_get(device_); node; node = node->next) {
        auto* channel = static_cast<sr_channel*>(node->data);
        const auto at = std::find(analog_.begin(), analog_.end(), channel);
        const bool wanted = at != analog_.end() &&
                            std::find(inputs.begin(), inputs.end(),
                                      static_cast<int>(at - analog_.begin())) != inputs.end();
        sr_dev_channel_enable(channel, wanted ? TRUE : FALSE);
    }
}

bool SigrokDevice::SetRate(std::uint64_t rate) {
    return sr_config_set(device_, nullptr, SR_CONF_SAMPLERATE, g_variant_new_uint64(rate)) == SR_OK;
}

bool SigrokDevice::SetSampleLimit(std::uint64_t samples) {
    if ((sr_dev_config_capabilities_list(device_, nullptr, SR_CONF_LIMIT_SAMPLES) & SR_CONF_SET) ==
        0) {
        return false;
    }
    return sr_config_set(device_, nullptr, SR_CONF_LIMIT_SAMPLES, g_variant_new_uint64(samples)) ==
           SR_OK;
}

} // namespace tessary
