#include "calc/cxSSFunctions.h"

void RegisterFunctionLibrary() {
  RegisterMathFunctions();
  RegisterStatisticsFunctions();
  RegisterTextFunctions();
  RegisterLogicalFunctions();
  RegisterInformationFunctions();
  RegisterDateTimeFunctions();
}
