#pragma once

#include <QString>

namespace storage {

// The password of every table file: six decimal digits, built at run time from a numeric
// constant so that it does not stand in the program as text. Template files carry it, so it
// must never change.
QString tablePassword();

}  // namespace storage
