#include "Globals.h"

TMainForm* MainForm = nullptr;
TDM1* DM1 = nullptr;
TAuto1Form* Auto1Form = nullptr;
TEvzhDtForm* EvzhDtForm = nullptr;
TAu4Form* Au4Form = nullptr;
TPrevForm* PrevForm = nullptr;
TTiskInfoForm* TiskInfoForm = nullptr;
