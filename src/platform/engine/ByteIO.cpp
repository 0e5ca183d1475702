#include "ByteIO.h"

#include <zlib.h>

namespace engine {

quint32 crc32Of(const char* data, qsizetype size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes a 32-bit length; feed large buffers in pieces.
    while (size > 0) {
        const uInt n = uInt(qMin<qsizetype>(size, 1 << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data), n);
        data += n;
        size -= n;
    }
    return quint32(crc);
}

}  // namespace engine
