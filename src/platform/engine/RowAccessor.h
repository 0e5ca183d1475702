#pragma once

#include <QByteArrayView>
#include <QVariant>

namespace engine {

// Read access to the field values of one record, used by filter and SQL evaluation.
// Values: QVariant() for NULL (an empty string is stored as NULL), int for AutoInc, Integer
// and SmallInt fields, QString for String, QDate for Date, bool for Boolean.
class RowAccessor {
public:
    virtual ~RowAccessor() = default;
    virtual QVariant value(int field) const = 0;
    // The stored Windows-1250 bytes of the text field `field` (empty for NULL) in `out`, so an
    // exact text comparison can skip decoding. False when the row is not held in stored form;
    // the caller then reads value().
    virtual bool textBytes(int field, QByteArrayView& out) const {
        Q_UNUSED(field);
        Q_UNUSED(out);
        return false;
    }
};

}  // namespace engine
