// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a whole file so that a crash or a failure leaves the old one intact.
#pragma once

#include <QByteArray>
#include <QString>

// Writes data to a temporary file beside path and renames it over path.
// Returns an empty string on success, else the system's reason; on failure
// the earlier file at path is untouched.
QString writeAtomically(const QString &path, const QByteArray &data);
