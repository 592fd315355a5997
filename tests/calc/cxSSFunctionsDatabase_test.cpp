#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

// The database functions, with values from LibreOffice and Gnumeric
// (tests/scripts/function_oracle.py) where they agree; where they do not, the rule Excel
// documents decides, as the comments say.

namespace {

//  A       B       C    D      E
//  Tree    Height  Age  Yield  Profit      (the database, A1:E8)
//  Apple   18      20   14     105
//  Pear    12      12   10     96
//  Cherry  13      14   9      105
//  Apple   14      15   10     75
//  Pear    9       8    8      76.8
//  Apple   8       9    6      45
//  apples  10      10   5      30
//
//  Tree    Height  Height      (criteria A11:C13: Apple from 11 to 15 high, or any Pear)
//  Apple   >10     <16
//  Pear
//
//  Tree (A15)  Tree (A18)  Age (A21)  Tree (A24)  Nope (A27)
//  =Apple      App         >=12       Kiwi        x
class DatabaseFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    static constexpr GridCell kGrid[] = {
        {"A1", "Tree"},   {"B1", "Height"}, {"C1", "Age"}, {"D1", "Yield"}, {"E1", "Profit"},
        {"A2", "Apple"},  {"B2", "18"},     {"C2", "20"},  {"D2", "14"},    {"E2", "105"},
        {"A3", "Pear"},   {"B3", "12"},     {"C3", "12"},  {"D3", "10"},    {"E3", "96"},
        {"A4", "Cherry"}, {"B4", "13"},     {"C4", "14"},  {"D4", "9"},     {"E4", "105"},
        {"A5", "Apple"},  {"B5", "14"},     {"C5", "15"},  {"D5", "10"},    {"E5", "75"},
        {"A6", "Pear"},   {"B6", "9"},      {"C6", "8"},   {"D6", "8"},     {"E6", "76.8"},
        {"A7", "Apple"},  {"B7", "8"},      {"C7", "9"},   {"D7", "6"},     {"E7", "45"},
        {"A8", "apples"}, {"B8", "10"},     {"C8", "10"},  {"D8", "5"},     {"E8", "30"},
        {"A11", "Tree"},  {"B11", "Height"}, {"C11", "Height"},
        {"A12", "Apple"}, {"B12", ">10"},   {"C12", "<16"},
        {"A13", "Pear"},
        {"A15", "Tree"},  {"A16", "'=Apple"},
        {"A18", "Tree"},  {"A19", "App"},
        {"A21", "Age"},   {"A22", ">=12"},
        {"A24", "Tree"},  {"A25", "Kiwi"},
        {"A27", "Nope"},  {"A28", "x"},
    };
    PutGrid(kGrid);
  }
};

TEST_F(DatabaseFunctionTest, AggregatesOfTheMatchingRecords) {
  const ValueCase cases[] = {
      {"=DSUM(A1:E8,\"Profit\",A11:C13)", "247.80000000000001"},
      {"=DSUM(A1:E8,5,A11:C13)", "247.80000000000001"},
      {"=DSUM(A1:E8,\"profit\",A15:A16)", "225"},
      {"=DSUM(A1:E8,2.7,A11:C13)", "35"},
      {"=DSUM(A1:E8,\"Profit\",A21:A22)", "381"},
      {"=DSUM(A1:E8,\"Profit\",A11:A11)", "532.8"},  // Gnumeric #NUM!
      {"=DAVERAGE(A1:E8,\"Yield\",A11:C13)", "9.3333333333333339"},
      {"=DMAX(A1:E8,\"Profit\",A11:C13)", "96"},
      {"=DMIN(A1:E8,\"Profit\",A11:C13)", "75"},
      {"=DPRODUCT(A1:E8,\"Yield\",A11:C13)", "800"},
      {"=DSTDEV(A1:E8,\"Yield\",A11:C13)", "1.1547005383792515"},
      {"=DSTDEVP(A1:E8,\"Yield\",A11:C13)", "0.94280904158206336"},
      {"=DVAR(A1:E8,\"Yield\",A11:C13)", "1.3333333333333333"},
      {"=DVARP(A1:E8,\"Yield\",A11:C13)", "0.88888888888888884"},
      {"=DCOUNT(A1:E8,\"Age\",A11:C13)", "3"},
      {"=DCOUNT(A1:E8,\"Tree\",A11:C13)", "0"},
      {"=DCOUNTA(A1:E8,\"Tree\",A11:C13)", "3"},
      {"=DGET(A1:E8,\"Yield\",A11:C12)", "10"},
      // Nothing matches: sums and counts are 0, DGET has no value.
      {"=DSUM(A1:E8,\"Profit\",A24:A25)", "0"},
      {"=DCOUNT(A1:E8,\"Profit\",A24:A25)", "0"},
      {"=DGET(A1:E8,\"Profit\",A24:A25)", "#VALUE!"},
      // A field that is not in the database.
      {"=DSUM(A1:E8,\"nothing\",A11:C13)", "#VALUE!"},  // Gnumeric #NUM!
      {"=DSUM(A1:E8,6,A11:C13)", "#VALUE!"},            // Gnumeric 0
  };
  Check(cases);
}

TEST_F(DatabaseFunctionTest, ExcelsRulesWhereTheOtherProgramsDiffer) {
  const ValueCase cases[] = {
      // A text without a comparison matches the texts that begin with it (Gnumeric; LibreOffice
      // takes the whole text).
      {"=DSUM(A1:E8,\"Profit\",A18:A19)", "255"},
      {"=DCOUNTA(A1:E8,\"Tree\",A18:A19)", "4"},
      // Several records for DGET (LibreOffice #NUM!, Gnumeric the first one's).
      {"=DGET(A1:E8,\"Profit\",A21:A22)", "#NUM!"},
      // Without any number: DAVERAGE and the spreads cannot divide, the others give 0.
      {"=DAVERAGE(A1:E8,\"Yield\",A24:A25)", "#DIV/0!"},
      {"=DMIN(A1:E8,\"Profit\",A24:A25)", "0"},
      {"=DPRODUCT(A1:E8,\"Profit\",A24:A25)", "0"},
      {"=DSTDEV(A1:E8,\"Profit\",A24:A25)", "#DIV/0!"},
      // A condition under a label the database lacks.
      {"=DSUM(A1:E8,\"Profit\",A27:A28)", "#NUM!"},
  };
  Check(cases);
}

}  // namespace
