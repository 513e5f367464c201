// SPDX-License-Identifier: GPL-3.0-or-later
// Atomic whole-file writes.
#include "settings/AtomicFile.h"

#include <QSaveFile>

QString writeAtomically(const QString &path, const QByteArray &data)
{
    // Unbuffered, and the rest written again after a short write: a buffered
    // write that fails while flushing, or a short one, would otherwise be
    // committed over the earlier file without an error. Writing again also
    // brings out the system's reason (a full disk, a size limit).
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 n = file.write(data.constData() + done, data.size() - done);
        if (n <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return reason;
        }
        done += n;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}
