// lamelin-bench-settings: reading and writing large settings files.
//
//   lamelin-bench-settings --dir <dir> [--keys 40000] [--sections 20000] [--rounds 3]
//
// writes two Windows-1250 settings files, one section with `keys` keys and `sections` sections of
// two keys each, then times reading each (constructing the IniFile and looking every key up) and
// one write into the end of it. Output, the best round of each:
//
//   bench ini_read_keys keys=<n> ms=<t>
//   bench ini_read_sections sections=<n> ms=<t>
//   bench ini_write_keys keys=<n> ms=<t>
//   bench ini_write_sections sections=<n> ms=<t>
//
// The run fails (exit status 1) when a key does not read back as written.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "IniFile.h"

namespace {

bool writeFile(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QStringEncoder encode("windows-1250");
    return f.write(encode(text)) >= 0;
}

QString manyKeys(int keys) {
    QString text = QStringLiteral("[Okna]\r\n");
    for (int i = 0; i < keys; ++i) text += QStringLiteral("Okno%1Top=%1\r\n").arg(i);
    return text;
}

QString manySections(int sections) {
    QString text;
    for (int i = 0; i < sections; ++i) text += QStringLiteral("[Firma%1]\r\nNázev=Houbaři %1\r\nTop=%1\r\n").arg(i);
    return text;
}

// Best wall time of `rounds` runs of `op`, in milliseconds; `ok` turns false when a run fails.
double best(int rounds, bool& ok, const std::function<bool()>& op) {
    double bestMs = 1e300;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        ok = op() && ok;
        bestMs = std::min(bestMs, t.nsecsElapsed() / 1e6);
    }
    return bestMs;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString dir = QDir::tempPath() + QStringLiteral("/lamelin-bench-settings");
    int keys = 40000, sections = 20000, rounds = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--dir")) dir = args[i + 1];
        else if (args[i] == QLatin1String("--keys")) keys = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--sections")) sections = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--rounds")) rounds = std::max(1, args[i + 1].toInt());
    }
    QDir().mkpath(dir);
    const QString keysPath = dir + QStringLiteral("/keys.ini");
    const QString sectionsPath = dir + QStringLiteral("/sections.ini");
    if (!writeFile(keysPath, manyKeys(keys)) || !writeFile(sectionsPath, manySections(sections))) {
        std::fprintf(stderr, "cannot write into %s\n", qPrintable(dir));
        return 1;
    }

    bool ok = true;
    const double readKeys = best(rounds, ok, [&] {
        const IniFile ini(keysPath);
        for (int i = 0; i < keys; ++i) {
            if (ini.readInteger(QStringLiteral("okna"), QStringLiteral("okno%1top").arg(i), -1) != i) return false;
        }
        return true;
    });
    const double readSections = best(rounds, ok, [&] {
        const IniFile ini(sectionsPath);
        for (int i = 0; i < sections; ++i) {
            if (ini.readInteger(QStringLiteral("Firma%1").arg(i), QStringLiteral("Top"), -1) != i) return false;
        }
        return true;
    });
    IniFile keysIni(keysPath);
    int n = 0;
    const double writeKeys =
        best(rounds, ok, [&] { return keysIni.writeInteger(QStringLiteral("Okna"), QStringLiteral("Nove"), ++n); });
    IniFile sectionsIni(sectionsPath);
    const double writeSections = best(rounds, ok, [&] {
        return sectionsIni.writeString(QStringLiteral("Firma%1").arg(sections - 1), QStringLiteral("Název"), "Nový");
    });

    std::printf("bench ini_read_keys keys=%d ms=%.1f\n", keys, readKeys);
    std::printf("bench ini_read_sections sections=%d ms=%.1f\n", sections, readSections);
    std::printf("bench ini_write_keys keys=%d ms=%.1f\n", keys, writeKeys);
    std::printf("bench ini_write_sections sections=%d ms=%.1f\n", sections, writeSections);
    if (!ok) std::printf("MISMATCH a key did not read back as written\n");
    return ok ? 0 : 1;
}
