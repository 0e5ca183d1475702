#include "TablePassword.h"

namespace storage {

QString tablePassword() {
    // Spread the constant's bits and fold them into the six-digit range 100000..999999.
    constexpr quint32 kSeed = 0x4C616D65;  // "Lame"
    quint32 x = kSeed;
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    return QString::number(100000 + x % 900000);
}

}  // namespace storage
