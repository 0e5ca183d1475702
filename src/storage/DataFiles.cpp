#include "DataFiles.h"

namespace storage {

const QStringList& dataFileList() {
    static const QStringList list = {
        "Hdath.DB", "Hdath.PX", "Hdath.X02", "Hdath.X03", "Hdath.X05", "Hdath.Y02", "Hdath.Y03", "Hdath.Y05", "Hdatl.DB",
        "Hdatl.PX", "Hdatl.X02", "Hdatl.X03", "Hdatl.Y02", "Hdatl.Y03", "Hdok.DB",   "Hdok.PX",   "Hdok.X04",  "Hdok.X06",
        "Hdok.X08", "Hdok.X0F",  "Hdok.XG0",  "Hdok.Y04",  "Hdok.Y06",  "Hdok.Y08",  "Hdok.Y0F", "Hdok.YG0",  "Hspl.DB",
    };
    return list;
}

const QStringList& registerDataFiles() {
    static const QStringList list = {"Data.DB", "Data.PX", "Data.X02", "Data.X03", "Data.Y02", "Data.Y03"};
    return list;
}

const QStringList& registerUzivFiles() {
    static const QStringList list = {"Uziv.DB", "Uziv.PX"};
    return list;
}

const QStringList& registerFileList() {
    static const QStringList list = registerDataFiles() + registerUzivFiles();
    return list;
}

}  // namespace storage
