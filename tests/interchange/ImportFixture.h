#pragma once

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include "ParadoxWriter.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TablePassword.h"
#include "TempDir.h"

// A source directory for Paradox tables made by the tests and a target directory for ours.
class ImportFixture : public ::testing::Test {
protected:
    ImportFixture() {
        QDir().mkpath(source);
        QDir().mkpath(target);
    }

    // The records of our table `dir`/`table`.DB in key order, each its field values.
    static QVector<QVector<QVariant>> readBack(const QString& dir, const QString& table) {
        TSession session("ReadBack");
        session.AddPassword(storage::tablePassword());
        TDatabase db(&session, "ReadBackDb");
        db.Params = {"PATH=" + dir, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
        TTable t;
        t.setDatabase(&db);
        t.TableName = table + ".DB";
        t.Open();
        QVector<QVector<QVariant>> rows;
        for (t.First(); !t.Eof(); t.Next()) {
            QVector<QVariant> row;
            for (TField* f : t.Fields()) row << f->Value();
            rows << row;
        }
        return rows;
    }

    // A fingerprint of every file of `dir` (names and contents).
    static QByteArray fingerprint(const QString& dir) {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        for (const QFileInfo& fi :
             QDir(dir).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
            hash.addData(fi.fileName().toUtf8());
            QFile f(fi.filePath());
            if (f.open(QIODevice::ReadOnly)) hash.addData(f.readAll());
        }
        return hash.result();
    }

    TempDir tmp;
    QString source = tmp.path() + "zdroj/";
    QString target = tmp.path() + "cil/";
};
