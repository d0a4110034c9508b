// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

struct chmFile;

namespace tessary {

// A compiled help file (.chm) opened for reading through chmlib.
class ChmArchive {
public:
    // Objects larger than this are not read: a damaged file cannot make us allocate at will.
    static constexpr qint64 MaxObjectBytes = 64 * 1024 * 1024;

    // Nullptr when the file does not open as a compiled help file.
    static std::shared_ptr<ChmArchive> Open(const QString& path);
    ~ChmArchive();
    ChmArchive(const ChmArchive&) = delete;
    ChmArchive& operator=(const ChmArchive&) = delete;

    // The object at `objectPath` ("/index.html"); nothing when it is missing, too large or
    // cannot be read whole.
    std::optional<QByteArray> Read(const QString& objectPath) const;

private:
    explicit ChmArchive(chmFile* file) : file_(file) {}
    chmFile* file_;
};

} // namespace tessary
