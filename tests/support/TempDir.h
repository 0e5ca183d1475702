#pragma once

#include <QDir>
#include <QTemporaryDir>

// A fresh directory for one test, removed afterwards. path() ends with "/".
class TempDir {
public:
    TempDir() { m_dir.setAutoRemove(true); }
    QString path() const { return m_dir.path() + "/"; }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
