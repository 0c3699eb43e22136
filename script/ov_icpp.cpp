#include "script/ov_iparser.h"
void ovRegisterCppLanguage() {}
