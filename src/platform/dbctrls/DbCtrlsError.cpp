#include "DbCtrlsError.h"

#include <QString>

#include "MessageBox.h"
#include "TDataSet.h"

namespace dbctrls {

void reportError(const std::exception& error, QWidget* parent) {
    if (dynamic_cast<const EAbort*>(&error)) return;
    if (const auto* db = dynamic_cast<const EDatabaseError*>(&error)) {
        MessageBox::error(db->message(), parent);
        return;
    }
    MessageBox::error(QString::fromUtf8(error.what()), parent);
}

}  // namespace dbctrls
