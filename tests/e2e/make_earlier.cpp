// Makes the data of an earlier release for the end-to-end test: a register with one firm and
// its tables in the Paradox format, written with pxlib's writer, and Sporin.ini.
// Usage: lamelin-make-earlier <directory>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <cstdio>

#include "IniFile.h"
#include "ParadoxTable.h"
#include "ParadoxWriter.h"

using interchange::ParadoxTable;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: lamelin-make-earlier <directory>\n");
        return 2;
    }
    QString dir = QString::fromLocal8Bit(argv[1]);
    if (!dir.endsWith('/')) dir += '/';
    QDir().mkpath(dir + "D1");
    const QVector<test::PxField> oldRegister{
        {"Cislo", ParadoxTable::Long, 4}, {"Nazev", ParadoxTable::Alpha, 20}, {"Adresar", ParadoxTable::Alpha, 20}};
    const QString password = "424242";
    bool ok = test::writeParadoxTable(dir + "Data.DB", {oldRegister, {{1, "Houbaři z Písku", "D1"}}, "", 1250}) &&
              test::writeParadoxTable(dir + "Uziv.DB", {test::paradoxLayout("Uziv"), {}, "", 1250}) &&
              test::writeParadoxTable(dir + "D1/Hdok.DB", {test::paradoxLayout("Hdok"),
                                                           {{1,
                                                             12,
                                                             "BOED",
                                                             "Boletus edulis",
                                                             "Bull.",
                                                             "hřib smrkový",
                                                             "P1",
                                                             "Písek - Hradiště",
                                                             "6551",
                                                             "420 m",
                                                             "49.30N 14.15E",
                                                             "smrkový les",
                                                             QVariant(),
                                                             "Jiří Řezáč",
                                                             QDate(2011, 9, 15),
                                                             "Jiří Řezáč",
                                                             false,
                                                             false,
                                                             "N",
                                                             QVariant()}},
                                                           password,
                                                           1250}) &&
              test::writeParadoxTable(dir + "D1/Hdath.DB", {test::paradoxLayout("Hdath"), {}, password, 1250}) &&
              test::writeParadoxTable(dir + "D1/Hdatl.DB", {test::paradoxLayout("Hdatl"), {}, password, 1250});
    IniFile(dir + "Sporin.ini").writeString("Sporin", "Razeni", "1");
    return ok ? 0 : 1;
}
