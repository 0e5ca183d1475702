#include "CardFlags.h"

namespace cards {

bool pickMode = false;
bool cataloguesGoToFirst = false;
bool cardGoToFirst = false;

}  // namespace cards
