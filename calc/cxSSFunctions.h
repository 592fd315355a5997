#pragma once

#include <cstdint>

// The worksheet function library: the routines behind the entries of the function table
// (cxSSFunctionTable.h), one source file per family. Each family's registration function fills
// the routines of its entries; the table runs RegisterFunctionLibrary once, before its first
// lookup.

void RegisterFunctionLibrary();

void RegisterMathFunctions();         // cxSSFunctionsMath.cpp
void RegisterStatisticsFunctions();   // cxSSFunctionsStatistics.cpp
void RegisterTextFunctions();         // cxSSFunctionsText.cpp
void RegisterLogicalFunctions();      // cxSSFunctionsLogical.cpp
void RegisterInformationFunctions();  // cxSSFunctionsInformation.cpp
void RegisterDateTimeFunctions();     // cxSSFunctionsDateTime.cpp
// The further functions (FurtherFunctions in cxSSFunctionTable.h), which follow Excel's rules.
void RegisterLookupFunctions();       // cxSSFunctionsLookup.cpp
void RegisterConditionalFunctions();  // cxSSFunctionsConditional.cpp
void RegisterMatrixFunctions();       // cxSSFunctionsMatrix.cpp
void RegisterDescriptiveFunctions();  // cxSSFunctionsDescriptive.cpp
void RegisterRegressionFunctions();   // cxSSFunctionsRegression.cpp
void RegisterTextSearchFunctions();   // cxSSFunctionsTextSearch.cpp
void RegisterTextFormatFunctions();   // cxSSFunctionsTextFormat.cpp
void RegisterCalendarFunctions();     // cxSSFunctionsCalendar.cpp
void RegisterFinanceFunctions();      // cxSSFunctionsFinance.cpp
void RegisterEngineeringFunctions();  // cxSSFunctionsEngineering.cpp
void RegisterDistributionFunctions(); // cxSSFunctionsDistributions.cpp
void RegisterInferenceFunctions();    // cxSSFunctionsInference.cpp
void RegisterDatabaseFunctions();     // cxSSFunctionsDatabase.cpp
void RegisterComplexFunctions();      // cxSSFunctionsComplex.cpp
void RegisterInterestFunctions();     // cxSSFunctionsInterest.cpp
void RegisterSecuritiesFunctions();   // cxSSFunctionsSecurities.cpp
void RegisterConvertFunctions();      // cxSSFunctionsConvert.cpp

// The generator behind RAND: a 32-bit linear congruential sequence,
// seed := seed × 134775813 + 1 (mod 2^32), each number being the new seed ÷ 2^32. The seed is 0
// when the program starts and nothing but RAND draws from it, so every run gives the same
// sequence; tests set the seed to replay it.
uint32_t RandomSeed();
void SetRandomSeed(uint32_t seed);
// Advances the sequence and returns the number in [0, 1).
double NextRandom();
// RANDBETWEEN draws from a generator of its own with the same sequence, so that RAND's stays
// as it is.
void SetRandBetweenSeed(uint32_t seed);
