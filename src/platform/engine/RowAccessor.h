#pragma once

#include <QVariant>

namespace engine {

// Read access to the field values of one record, used by filter and SQL evaluation.
// Values: QVariant() for NULL (an empty string is stored as NULL), int for AutoInc, Integer
// and SmallInt fields, QString for String, QDate for Date, bool for Boolean.
class RowAccessor {
public:
    virtual ~RowAccessor() = default;
    virtual QVariant value(int field) const = 0;
};

}  // namespace engine
