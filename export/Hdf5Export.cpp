// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/Hdf5Export.h"

#include "data/Cp932.h"
#include "data/DateTime.h"
#include "data/FileError.h"
#include "data/FileRangeCopy.h"
#include "export/Hdf5Reason.h"
#include "export/RecordingSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <span>
#include <vector>

namespace tessary {

namespace {

// A megabyte per chunk reads and writes at the disk's pace and bypasses the library's chunk
// cache (of that size), so a burst goes from the caller's buffer straight to the file.
// Compressed chunks are smaller, so that reading a part of a long burst decompresses little
// more than that part.
constexpr hsize_t ChunkBytes = hsize_t{1} << 20;
constexpr hsize_t CompressedChunkBytes = hsize_t{64} << 10;
constexpr unsigned DeflateLevel = 4;
constexpr hsize_t BurstValueChunkRows = 1024;

std::string IsoDateTime(double days) {
    const DateTimeParts p = DecodeDateTime(days);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", p.Year, p.Month, p.Day,
                  p.Hour, p.Minute, p.Second, p.Millisecond);
    return text;
}

// Raises a library failure as a FileError naming the output, with the reason.
class Checker {
public:
    explicit Checker(const std::string& path) : path_(path) {}

    hid_t operator()(hid_t id, const char* what = "cannot be written") const {
        if (id < 0) {
            const std::string reason = Hdf5Reason();
            throw FileError(path_, std::string(what) + " (" + reason + ")");
        }
        return id;
    }
    Hdf5Handle Space(std::span<const hsize_t> shape) const {
        return {(*this)(H5Screate_simple(static_cast<int>(shape.size()), shape.data(), nullptr)),
                H5Sclose};
    }
    Hdf5Handle Scalar() const { return {(*this)(H5Screate(H5S_SCALAR)), H5Sclose}; }
    Hdf5Handle Utf8Type() const {
        Hdf5Handle type((*this)(H5Tcopy(H5T_C_S1)), H5Tclose);
        (*this)(H5Tset_size(type.Id(), H5T_VARIABLE));
        (*this)(H5Tset_cset(type.Id(), H5T_CSET_UTF8));
        return type;
    }

    void Attribute(hid_t object, const char* name, hid_t fileType, hid_t memoryType,
                   const Hdf5Handle& space, const void* data) const {
        const Hdf5Handle attribute(
            (*this)(H5Acreate2(object, name, fileType, space.Id(), H5P_DEFAULT, H5P_DEFAULT)),
            H5Aclose);
        (*this)(H5Awrite(attribute.Id(), memoryType, data));
    }
    void Text(hid_t object, const char* name, const std::string& utf8) const {
        const Hdf5Handle type = Utf8Type();
        const char* text = utf8.c_str();
        Attribute(object, name, type.Id(), type.Id(), Scalar(), &text);
    }
    void Integer(hid_t object, const char* name, std::int64_t value) const {
        Attribute(object, name, H5T_STD_I64LE, H5T_NATIVE_INT64, Scalar(), &value);
    }
    void Real(hid_t object, const char* name, double value) const {
        Attribute(object, name, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, Scalar(), &value);
    }
    void Reals(hid_t object, const char* name, const std::vector<double>& values) const {
        const hsize_t count = values.size();
        Attribute(object, name, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, Space({&count, 1}),
                  values.data());
    }

    // A one-dimensional dataset of `values`, stored contiguously.
    void Column(hid_t parent, const char* name, hid_t fileType, hid_t memoryType, std::size_t count,
                const void* values) const {
        const hsize_t shape = count;
        const Hdf5Handle space = Space({&shape, 1});
        const Hdf5Handle dataset((*this)(H5Dcreate2(parent, name, fileType, space.Id(), H5P_DEFAULT,
                                                    H5P_DEFAULT, H5P_DEFAULT)),
                                 H5Dclose);
        if (count > 0) {
            (*this)(H5Dwrite(dataset.Id(), memoryType, H5S_ALL, H5S_ALL, H5P_DEFAULT, values));
        }
    }

    // A chunked dataset whose every dimension may grow, so that chunks may be larger than a
    // dimension that is empty or short.
    // With `early` every chunk is placed in the file at once, so that its address is known.
    Hdf5Handle Chunked(hid_t parent, const char* name, hid_t fileType,
                       std::span<const hsize_t> shape, std::span<const hsize_t> chunk,
                       bool compress, bool early = false) const {
        std::vector<hsize_t> limits(shape.size(), H5S_UNLIMITED);
        const Hdf5Handle space(
            (*this)(H5Screate_simple(static_cast<int>(shape.size()), shape.data(), limits.data())),
            H5Sclose);
        const Hdf5Handle create((*this)(H5Pcreate(H5P_DATASET_CREATE)), H5Pclose);
        (*this)(H5Pset_chunk(create.Id(), static_cast<int>(chunk.size()), chunk.data()));
        // Every byte is written once; filling chunks first would write them twice.
        (*this)(H5Pset_fill_time(create.Id(), H5D_FILL_TIME_NEVER));
        if (early) {
            (*this)(H5Pset_alloc_time(create.Id(), H5D_ALLOC_TIME_EARLY));
        }
        if (compress) {
            (*this)(H5Pset_shuffle(create.Id()));
            (*this)(H5Pset_deflate(create.Id(), DeflateLevel));
        }
        return {(*this)(H5Dcreate2(parent, name, fileType, space.Id(), H5P_DEFAULT, create.Id(),
                                   H5P_DEFAULT)),
                H5Dclose};
    }

    // Row k of the first dimension of `dataset`, whose shape is `shape`, from `data`.
    void WriteRow(const Hdf5Handle& dataset, hid_t memoryType, std::span<const hsize_t> shape,
                  std::int64_t k, const void* data) const {
        std::vector<hsize_t> start(shape.size(), 0);
        std::vector<hsize_t> count(shape.begin(), shape.end());
        start[0] = static_cast<hsize_t>(k);
        count[0] = 1;
        if (std::find(count.begin(), count.end(), hsize_t{0}) != count.end()) {
            return;
        }
        const Hdf5Handle file((*this)(H5Dget_space(dataset.Id())), H5Sclose);
        (*this)(H5Sselect_hyperslab(file.Id(), H5S_SELECT_SET, start.data(), nullptr, count.data(),
                                    nullptr));
        // The memory of the shape of the selection: the library then maps whole chunks at
        // once; a flat memory shape makes it map each value by itself, ten times slower.
        const Hdf5Handle memory = Space(count);
        (*this)(H5Dwrite(dataset.Id(), memoryType, memory.Id(), file.Id(), H5P_DEFAULT, data));
    }

private:
    const std::string& path_;
};

// The header as attributes of the file's root.
void WriteHeaderAttributes(const Checker& check, hid_t root, const RecordingSource& source) {
    const MeasurementParameters& header = source.Header();
    check.Text(root, "format", source.HoldsStoredSamples() ? "SDF" : "TSD");
    check.Integer(root, "version", source.Contents().Version);
    // An SDF memo field is padded with spaces; they are no part of the text.
    std::string memo = Cp932ToUtf8(header.Memo);
    memo.erase(memo.find_last_not_of(' ') + 1);
    check.Text(root, "memo", memo);
    check.Text(root, "start_time", IsoDateTime(header.StartTime));
    check.Real(root, "start_time_days", header.StartTime);
    const auto interval = [&](const std::string& name, std::int32_t value, TimeUnit unit) {
        check.Integer(root, name.c_str(), value);
        if (unit < TimeUnits.size()) {
            check.Text(root, (name + "_unit").c_str(), std::string(TimeUnits[unit].Name));
            check.Real(root, (name + "_s").c_str(),
                       static_cast<double>(value * TimeUnits[unit].Seconds));
        }
    };
    interval("sampling_interval", header.SInterval, header.SITUnit);
    interval("burst_interval", header.BInterval, header.BITUnit);
    check.Integer(root, "bursts", source.Bursts());
    check.Integer(root, "stated_bursts", header.Iteration);
    check.Integer(root, "samples_per_burst", header.DataNum);
    check.Integer(root, "channels", header.ChNum);
    check.Integer(root, "burst_value_count", header.BurstValueNum);
}

// The channel table as stored, every row, as the group /channels of four columns.
void WriteChannelTable(const Checker& check, hid_t root, const MeasurementParameters& header) {
    const int rows = header.ChNum + header.BurstValueNum;
    std::vector<std::string> items;
    std::vector<std::string> units;
    std::vector<float> a;
    std::vector<float> b;
    for (int row = 0; row < rows; ++row) {
        const ChannelSpec& spec = header.Channel(row);
        items.push_back(Cp932ToUtf8(spec.Item));
        units.push_back(Cp932ToUtf8(spec.Unit));
        a.push_back(spec.A);
        b.push_back(spec.B);
    }
    std::vector<const char*> itemTexts;
    std::vector<const char*> unitTexts;
    for (std::size_t row = 0; row < items.size(); ++row) {
        itemTexts.push_back(items[row].c_str());
        unitTexts.push_back(units[row].c_str());
    }
    const Hdf5Handle table(
        check(H5Gcreate2(root, "channels", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT)), H5Gclose);
    const Hdf5Handle text = check.Utf8Type();
    check.Column(table.Id(), "item", text.Id(), text.Id(), items.size(), itemTexts.data());
    check.Column(table.Id(), "unit", text.Id(), text.Id(), units.size(), unitTexts.data());
    check.Column(table.Id(), "a", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, a.size(), a.data());
    check.Column(table.Id(), "b", H5T_IEEE_F32LE, H5T_NATIVE_FLOAT, b.size(), b.data());
}

// What turns a dataset's values into engineering values: scale and offset per column (rows
// `first` on of the channel table; a TSD holds engineering values already) and the mark of a
// missing value.
void DescribeValues(const Checker& check, const Hdf5Handle& dataset, const RecordingSource& source,
                    int first, int count) {
    const bool stored = source.HoldsStoredSamples();
    std::vector<double> scale;
    std::vector<double> offset;
    for (int row = first; row < first + count; ++row) {
        scale.push_back(stored ? source.Header().Channel(row).A : 1.0);
        offset.push_back(stored ? source.Header().Channel(row).B : 0.0);
    }
    check.Reals(dataset.Id(), "scale", scale);
    check.Reals(dataset.Id(), "offset", offset);
    const std::int16_t mark = source.MissingMark();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (stored) {
        check.Attribute(dataset.Id(), "missing", H5T_STD_I16LE, H5T_NATIVE_INT16, check.Scalar(),
                        &mark);
    } else {
        check.Attribute(dataset.Id(), "missing", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, check.Scalar(),
                        &nan);
    }
}

} // namespace

Hdf5Export::Hdf5Export(const std::string& path, const RecordingSource& source, bool compress)
    : path_(path), recording_(source.Path()), stored_(source.HoldsStoredSamples()),
      copy_(stored_ && !compress && source.Header().BurstValueNum <= 0) {
    PrepareHdf5Library();
    const Checker check(path_);
    const MeasurementParameters& header = source.Header();
    dataNum_ = static_cast<hsize_t>(std::max<std::int32_t>(header.DataNum, 0));
    chNum_ = static_cast<hsize_t>(std::max<std::int16_t>(header.ChNum, 0));
    burstValueNum_ = static_cast<hsize_t>(std::max<std::int16_t>(header.BurstValueNum, 0));
    const auto bursts = static_cast<hsize_t>(source.Bursts());
    const hid_t fileType = stored_ ? H5T_STD_I16LE : H5T_IEEE_F64LE;

    const Hdf5Handle access(check(H5Pcreate(H5P_FILE_ACCESS), "cannot be created"), H5Pclose);
    // Nobody else knows the new file; a lock would only fail on file systems without locks.
    check(H5Pset_file_locking(access.Id(), false, true), "cannot be created");
    file_ = Hdf5Handle(check(H5Fcreate(path_.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, access.Id()),
                             "cannot be created"),
                       H5Fclose);
    const hid_t root = file_.Id();

    WriteHeaderAttributes(check, root, source);
    WriteChannelTable(check, root, header);

    const hsize_t elementBytes = stored_ ? 2 : 8;
    const hsize_t width = std::max<hsize_t>(chNum_, 1);
    const hsize_t budget = compress ? CompressedChunkBytes : ChunkBytes;
    chunkRows_ =
        std::clamp<hsize_t>(budget / (width * elementBytes), 1, std::max<hsize_t>(dataNum_, 1));
    const hsize_t sampleShape[3] = {bursts, dataNum_, chNum_};
    const hsize_t sampleChunk[3] = {1, chunkRows_, width};
    samples_ = check.Chunked(root, "samples", fileType, sampleShape, sampleChunk, compress, copy_);
    DescribeValues(check, samples_, source, 0, header.ChNum);
    if (burstValueNum_ > 0) {
        const hsize_t shape[2] = {bursts, burstValueNum_};
        const hsize_t chunk[2] = {std::clamp<hsize_t>(bursts, 1, BurstValueChunkRows),
                                  burstValueNum_};
        burstValues_ = check.Chunked(root, "burst_values", fileType, shape, chunk, compress);
        DescribeValues(check, burstValues_, source, header.ChNum, header.BurstValueNum);
    }
    if (copy_ && !out_.Open(path_, O_WRONLY)) {
        throw FileError(path_, std::string("cannot be opened (") + std::strerror(errno) + ")");
    }
}

// Each chunk of the burst is a run of whole time steps, so its bytes lie together in the
// recording's block; the library placed the chunk when the file was created and never writes
// it, since nothing is written through it. Chunks placed one after another are copied at once.
void Hdf5Export::CopyBurst(std::int64_t k, const RecordedBurst& burst) {
    const Checker check(path_);
    const hsize_t stepBytes = chNum_ * 2;
    std::int64_t from = burst.Offset;
    std::int64_t to = 0;
    std::int64_t bytes = 0;
    const auto copy = [&] {
        const int error = CopyFileRange(burst.File, from, out_.Descriptor(), to, bytes);
        if (error == ENODATA) {
            throw FileError(recording_, "the file ends inside burst " + std::to_string(k + 1));
        }
        if (error != 0) {
            throw FileError(path_, std::string("cannot be written (") + std::strerror(error) + ")");
        }
    };
    for (hsize_t step = 0; step < dataNum_ && stepBytes > 0; step += chunkRows_) {
        const hsize_t steps = std::min(chunkRows_, dataNum_ - step);
        const hsize_t at[3] = {static_cast<hsize_t>(k), step, 0};
        unsigned filters = 0;
        haddr_t address = HADDR_UNDEF;
        hsize_t size = 0;
        check(H5Dget_chunk_info_by_coord(samples_.Id(), at, &filters, &address, &size));
        if (address == HADDR_UNDEF || size < steps * stepBytes) {
            throw FileError(path_, "cannot be written (a chunk of burst " + std::to_string(k + 1) +
                                       " has no place in the file)");
        }
        const auto place = static_cast<std::int64_t>(address);
        if (bytes > 0 && place != to + bytes) {
            copy();
            from += bytes;
            bytes = 0;
        }
        if (bytes == 0) {
            to = place;
        }
        bytes += static_cast<std::int64_t>(steps * stepBytes);
    }
    if (bytes > 0) {
        copy();
    }
    StartWriteBack();
}

void Hdf5Export::Write(std::int64_t k, const RecordedBurst& burst) {
    if (copy_) {
        CopyBurst(k, burst);
        return;
    }
    const Checker check(path_);
    const hid_t memoryType = stored_ ? H5T_NATIVE_INT16 : H5T_NATIVE_DOUBLE;
    const std::size_t samples = dataNum_ * chNum_;
    const void* data = stored_ ? static_cast<const void*>(burst.Stored.data())
                               : static_cast<const void*>(burst.Values.data());
    const void* values = stored_ ? static_cast<const void*>(burst.Stored.data() + samples)
                                 : static_cast<const void*>(burst.Values.data() + samples);
    const hsize_t sampleShape[3] = {1, dataNum_, chNum_};
    check.WriteRow(samples_, memoryType, sampleShape, k, data);
    if (burstValueNum_ > 0) {
        const hsize_t shape[2] = {1, burstValueNum_};
        check.WriteRow(burstValues_, memoryType, shape, k, values);
    }
    StartWriteBack();
}

void Hdf5Export::StartWriteBack() {
    int fd = out_.IsOpen() ? out_.Descriptor() : -1;
    void* handle = nullptr;
    if (fd < 0 && H5Fget_vfd_handle(file_.Id(), H5P_DEFAULT, &handle) >= 0 && handle != nullptr) {
        fd = *static_cast<int*>(handle); // the default (sec2) driver's handle is its descriptor
    }
    if (fd >= 0) {
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
}

void Hdf5Export::Finish() {
    if (out_.IsOpen() && !out_.Close()) {
        throw FileError(path_, std::string("cannot be written (") + std::strerror(errno) + ")");
    }
    bool closed = samples_.Close();
    closed = burstValues_.Close() && closed;
    // Closing the file writes what the library still holds; its failure is the file's.
    closed = file_.Close() && closed;
    if (!closed) {
        const std::string reason = Hdf5Reason();
        throw FileError(path_, "cannot be written (" + reason + ")");
    }
}

} // namespace tessary
