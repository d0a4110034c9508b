// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <hdf5.h>

#include <utility>

namespace tessary {

// One identifier of the HDF5 library, closed with the close function of its kind when the
// object ends, so that every path out of a writer releases what it opened.
class Hdf5Handle {
public:
    using Closer = herr_t (*)(hid_t);

    Hdf5Handle() = default;
    Hdf5Handle(hid_t id, Closer close) : id_(id), close_(close) {}
    ~Hdf5Handle() { Close(); }
    Hdf5Handle(Hdf5Handle&& other) noexcept
        : id_(std::exchange(other.id_, H5I_INVALID_HID)), close_(other.close_) {}
    Hdf5Handle& operator=(Hdf5Handle&& other) noexcept {
        if (this != &other) {
            Close();
            id_ = std::exchange(other.id_, H5I_INVALID_HID);
            close_ = other.close_;
        }
        return *this;
    }
    Hdf5Handle(const Hdf5Handle&) = delete;
    Hdf5Handle& operator=(const Hdf5Handle&) = delete;

    hid_t Id() const { return id_; }

    // Closes now; false when closing failed (for a file: data it held did not reach the file).
    bool Close() {
        if (id_ < 0) {
            return true;
        }
        const hid_t id = std::exchange(id_, H5I_INVALID_HID);
        return close_(id) >= 0;
    }

private:
    hid_t id_ = H5I_INVALID_HID;
    Closer close_ = nullptr;
};

} // namespace tessary
