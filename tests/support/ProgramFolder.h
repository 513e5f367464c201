// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh, empty program folder for each test function: made in init(),
// removed with all it holds in cleanup().
#pragma once

#include "base/ProgramDir.h"

#include <QTemporaryDir>

#include <memory>

class ProgramFolder
{
public:
    // A new folder, taken as the program's folder; false when it could not be made.
    bool make()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid())
            return false;
        ProgramDir::set(m_dir->path() + QLatin1Char('/'));
        return true;
    }
    void remove() { m_dir.reset(); }

    // Empty while there is no folder.
    QString path() const { return m_dir ? m_dir->path() : QString(); }
    QString filePath(const QString &name) const { return m_dir ? m_dir->filePath(name) : QString(); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};
