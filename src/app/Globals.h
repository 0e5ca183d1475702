#pragma once

// The window variables of the program. Each is set when its window is created and cleared
// when it is destroyed; windows created on demand have their own variables in their units.
class TMainForm;
class TDM1;
class TAuto1Form;
class TEvzhDtForm;
class TAu4Form;
class TPrevForm;
class TTiskInfoForm;

extern TMainForm* MainForm;
extern TDM1* DM1;
extern TAuto1Form* Auto1Form;
extern TEvzhDtForm* EvzhDtForm;
extern TAu4Form* Au4Form;
extern TPrevForm* PrevForm;
extern TTiskInfoForm* TiskInfoForm;
