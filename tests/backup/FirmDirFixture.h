#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>

#include "DataFiles.h"
#include "TDatabase.h"
#include "TSession.h"
#include "TTable.h"
#include "TablePassword.h"
#include "TempDir.h"
#include "TemplateSet.h"
#include "ZipWriter.h"

// A firm directory D1 made from the template tables, with cards written through the engine,
// and the means to compare it before and after and to make archives of chosen files.
class FirmDirFixture : public ::testing::Test {
protected:
    FirmDirFixture() { storage::TemplateSet::createFirmTables(firm); }

    // Writes `count` cards named "<label> <n>" and the label heading `label` into `dir`.
    static void fill(const QString& dir, const QString& label, int count) {
        TSession session("FillSession");
        session.AddPassword(storage::tablePassword());
        TDatabase db(&session, "FillDb");
        db.Params = {"PATH=" + dir, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
        TTable cards;
        cards.setDatabase(&db);
        cards.TableName = "Hdok.DB";
        cards.Open();
        for (int n = 1; n <= count; ++n) {
            cards.Append();
            cards.FieldByName("Evc")->setAsInteger(n);
            cards.FieldByName("Nla")->setAsString(label + QString(" %1").arg(n));
            cards.Post();
        }
        TTable common;
        common.setDatabase(&db);
        common.TableName = "Hspl.DB";
        common.Open();
        common.Edit();
        common.FieldByName("Sna")->setAsString(label);
        common.Post();
    }

    // The card names of `dir` in registration order, read back through the engine.
    static QStringList cardNames(const QString& dir) {
        TSession session("ReadSession");
        session.AddPassword(storage::tablePassword());
        TDatabase db(&session, "ReadDb");
        db.Params = {"PATH=" + dir, "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"};
        TTable cards;
        cards.setDatabase(&db);
        cards.TableName = "Hdok.DB";
        cards.setIndexFieldNames("Evc");
        cards.Open();
        QStringList names;
        for (cards.First(); !cards.Eof(); cards.Next()) names << cards.FieldByName("Nla")->AsString();
        return names;
    }

    // The bytes of each table file of `dir`.
    static QMap<QString, QByteArray> snapshot(const QString& dir) {
        QMap<QString, QByteArray> files;
        for (const QString& name : storage::dataFileList()) {
            QFile f(dir + name);
            if (f.open(QIODevice::ReadOnly)) files[name] = f.readAll();
        }
        return files;
    }

    // An archive of the table files of `dir` except `leaveOut`, plus extra entries of the form
    // {name in the archive, file}.
    static void archive(const QString& path, const QString& dir, const QStringList& leaveOut = {},
                        const QVector<backup::ZipWriter::Entry>& extra = {}) {
        QVector<backup::ZipWriter::Entry> entries;
        for (const QString& name : storage::dataFileList()) {
            if (!leaveOut.contains(name)) entries.append({name, dir + name});
        }
        entries += extra;
        QString error;
        ASSERT_TRUE(backup::ZipWriter::write(path, entries, nullptr, &error)) << error.toStdString();
    }

    TempDir tmp;
    QString firm = tmp.path() + "D1/";
};
