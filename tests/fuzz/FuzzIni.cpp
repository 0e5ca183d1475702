// Fuzz target: the settings file reader. Every input is the content of a settings file. It is
// read, a few keys are looked up, and one key is written; when the write succeeds the file must
// read back with that key's value, whatever else it holds.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "IniFile.h"

// A directory on tmpfs when there is one: each run writes files, and on a disk their syncs
// would take most of the fuzzer's time.
static QString scratchRoot() { return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath(); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir(scratchRoot() + QStringLiteral("/lamelin-fuzz-ini-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("Sporin.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    IniFile ini(path);
    ini.readString(QStringLiteral("Sporin"), QStringLiteral("Top"));
    ini.readInteger(QStringLiteral("a"), QStringLiteral("b"), 0);
    ini.readBool(QStringLiteral("Okna"), QStringLiteral("Pos"), false);
    if (ini.writeString(QStringLiteral("Sekce"), QStringLiteral("Klíč"), QStringLiteral("Hodnota č. 1"))) {
        const IniFile again(path);
        if (again.readString(QStringLiteral("sekce"), QStringLiteral("KLÍČ")) != QStringLiteral("Hodnota č. 1")) std::abort();
    }
    ini.deleteKey(QStringLiteral("Sekce"), QStringLiteral("Klíč"));
    ini.eraseSection(QStringLiteral("Sporin"));
    return 0;
}
