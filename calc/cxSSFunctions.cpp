#include "calc/cxSSFunctions.h"

void RegisterFunctionLibrary() {
  RegisterMathFunctions();
  RegisterStatisticsFunctions();
  RegisterTextFunctions();
  RegisterLogicalFunctions();
  RegisterInformationFunctions();
  RegisterDateTimeFunctions();
  RegisterLookupFunctions();
  RegisterConditionalFunctions();
  RegisterMatrixFunctions();
  RegisterDescriptiveFunctions();
  RegisterRegressionFunctions();
  RegisterTextSearchFunctions();
  RegisterTextFormatFunctions();
  RegisterCalendarFunctions();
  RegisterFinanceFunctions();
  RegisterEngineeringFunctions();
  RegisterDistributionFunctions();
  RegisterInferenceFunctions();
  RegisterDatabaseFunctions();
  RegisterComplexFunctions();
  RegisterInterestFunctions();
  RegisterSecuritiesFunctions();
  RegisterConvertFunctions();
}
