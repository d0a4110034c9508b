// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/ChmArchive.h"

#include <QFile>

#include <chm_lib.h>

namespace tessary {

std::shared_ptr<ChmArchive> ChmArchive::Open(const QString& path) {
    chmFile* file = chm_open(QFile::encodeName(path).constData());
    if (file == nullptr) {
        return nullptr;
    }
    return std::shared_ptr<ChmArchive>(new ChmArchive(file));
}

ChmArchive::~ChmArchive() {
    chm_close(file_);
}

std::optional<QByteArray> ChmArchive::Read(const QString& objectPath) const {
    const QByteArray name = objectPath.toUtf8();
    chmUnitInfo unit{};
    if (name.isEmpty() || name.size() >= CHM_MAX_PATHLEN ||
        chm_resolve_object(file_, name.constData(), &unit) != CHM_RESOLVE_SUCCESS) {
        return std::nullopt;
    }
    if (unit.length > static_cast<LONGUINT64>(MaxObjectBytes)) {
        return std::nullopt;
    }
    QByteArray bytes(static_cast<qsizetype>(unit.length), Qt::Uninitialized);
    if (unit.length > 0) {
        const LONGINT64 got =
            chm_retrieve_object(file_, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                static_cast<LONGINT64>(unit.length));
        if (got != static_cast<LONGINT64>(unit.length)) {
            return std::nullopt;
        }
    }
    return bytes;
}

} // namespace tessary
