#include <cmath>
#include <string>
#include <string_view>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// CONVERT(number, from, to) of the engineering add-in: the units of Excel 97-2003, by the
// names it gives them (case-sensitive), the metric ones also with a prefix (km, mg, ...).
// A number is converted to its quantity's base unit and from there into the other unit;
// temperatures, which do not start at 0 together, by their own formulas.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

enum TQuantity : uint8_t {
  quMass, quDistance, quTime, quPressure, quForce, quEnergy, quPower, quMagnetism,
  quTemperature, quVolume,
};

struct TUnit {
  std::string_view Name;
  TQuantity Quantity;
  double Factor;  // the unit in its quantity's base unit (gram, metre, second, ...)
  bool Metric;    // takes a prefix
};

constexpr TUnit kUnits[] = {
    {"g", quMass, 1, true},
    {"sg", quMass, 14593.902937206364, false},     // slug
    {"lbm", quMass, 453.59237, false},             // pound
    {"u", quMass, 1.66053886e-24, true},           // atomic mass unit
    {"ozm", quMass, 28.349523125, false},          // ounce
    {"m", quDistance, 1, true},
    {"mi", quDistance, 1609.344, false},           // statute mile
    {"Nmi", quDistance, 1852, false},              // nautical mile
    {"in", quDistance, 0.0254, false},
    {"ft", quDistance, 0.3048, false},
    {"yd", quDistance, 0.9144, false},
    {"ang", quDistance, 1e-10, true},              // angstrom
    {"Pica", quDistance, 0.0254 / 72, false},      // 1/72 inch
    {"yr", quTime, 31557600, false},               // 365.25 days
    {"day", quTime, 86400, false},
    {"hr", quTime, 3600, false},
    {"mn", quTime, 60, false},
    {"sec", quTime, 1, true},
    {"Pa", quPressure, 1, true},
    {"p", quPressure, 1, true},
    // The atmosphere as Excel 97-2003 measures it (the standard one is 101325 Pa).
    {"atm", quPressure, 101324.996583, true},
    {"at", quPressure, 101324.996583, true},
    {"mmHg", quPressure, 101324.996583 / 760, true},
    {"N", quForce, 1, true},
    {"dyn", quForce, 1e-5, true},
    {"dy", quForce, 1e-5, true},
    {"lbf", quForce, 4.4482216152605, false},
    {"J", quEnergy, 1, true},
    {"e", quEnergy, 1e-7, true},                   // erg
    {"c", quEnergy, 4.184, true},                  // thermochemical calorie
    {"cal", quEnergy, 4.1868, true},               // international table calorie
    {"eV", quEnergy, 1.602176487e-19, true},
    {"ev", quEnergy, 1.602176487e-19, true},
    {"HPh", quEnergy, 2684519.537696173, false},   // horsepower-hour
    {"hh", quEnergy, 2684519.537696173, false},
    {"Wh", quEnergy, 3600, true},
    {"wh", quEnergy, 3600, true},
    {"flb", quEnergy, 1.3558179483314004, false},  // foot-pound
    {"BTU", quEnergy, 1055.05585262, false},
    {"btu", quEnergy, 1055.05585262, false},
    {"HP", quPower, 745.69987158227022, false},
    {"h", quPower, 745.69987158227022, false},
    {"W", quPower, 1, true},
    {"w", quPower, 1, true},
    {"T", quMagnetism, 1, true},
    {"ga", quMagnetism, 1e-4, true},               // gauss
    {"C", quTemperature, 0, false},
    {"cel", quTemperature, 0, false},
    {"F", quTemperature, 0, false},
    {"fah", quTemperature, 0, false},
    {"K", quTemperature, 0, true},
    {"kel", quTemperature, 0, true},
    {"tsp", quVolume, 0.00492892159375, false},    // in litres
    {"tbs", quVolume, 0.01478676478125, false},
    {"oz", quVolume, 0.0295735295625, false},
    {"cup", quVolume, 0.2365882365, false},
    {"pt", quVolume, 0.473176473, false},
    {"us_pt", quVolume, 0.473176473, false},
    {"uk_pt", quVolume, 0.56826125, false},
    {"qt", quVolume, 0.946352946, false},
    {"gal", quVolume, 3.785411784, false},
    {"l", quVolume, 1, true},
    {"lt", quVolume, 1, true},
};

struct TPrefix {
  char Letter;
  double Factor;
};

constexpr TPrefix kPrefixes[] = {
    {'E', 1e18}, {'P', 1e15}, {'T', 1e12}, {'G', 1e9}, {'M', 1e6}, {'k', 1e3},
    {'h', 1e2},  {'e', 1e1},  {'d', 1e-1}, {'c', 1e-2}, {'m', 1e-3}, {'u', 1e-6},
    {'n', 1e-9}, {'p', 1e-12}, {'f', 1e-15}, {'a', 1e-18},
};

// The unit of a name, with the factor of its prefix; false for an unknown name. A name that is
// a unit itself is never read as a prefixed one ("mn" is a minute, not a milli-nautical mile).
bool FindUnit(std::string_view name, const TUnit*& unit, double& prefix) {
  prefix = 1;
  for (const TUnit& u : kUnits)
    if (u.Name == name) {
      unit = &u;
      return true;
    }
  if (name.size() < 2) return false;
  for (const TPrefix& p : kPrefixes) {
    if (p.Letter != name[0]) continue;
    for (const TUnit& u : kUnits)
      if (u.Metric && u.Name == name.substr(1)) {
        unit = &u;
        prefix = p.Factor;
        return true;
      }
  }
  return false;
}

// A temperature to kelvin and back.
double ToKelvin(std::string_view unit, double x) {
  if (unit == "C" || unit == "cel") return x + 273.15;
  if (unit == "F" || unit == "fah") return (x - 32) * 5 / 9 + 273.15;
  return x;
}

double FromKelvin(std::string_view unit, double k) {
  if (unit == "C" || unit == "cel") return k - 273.15;
  if (unit == "F" || unit == "fah") return (k - 273.15) * 9 / 5 + 32;
  return k;
}

void Convert(Handler& h) {
  TArgs args(h);
  const std::string to = args.Text();
  const std::string from = args.Text();
  const double x = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  const TUnit* a = nullptr;
  const TUnit* b = nullptr;
  double prefixA = 1, prefixB = 1;
  if (!FindUnit(from, a, prefixA) || !FindUnit(to, b, prefixB) || a->Quantity != b->Quantity)
    return FailWith(h, ecNA);
  if (a->Quantity == quTemperature)
    return PushResult(h, FromKelvin(b->Name, ToKelvin(a->Name, x * prefixA)) / prefixB);
  PushResult(h, x * prefixA * a->Factor / (b->Factor * prefixB));
}

constexpr TRoutine kRoutines[] = {{"CONVERT", Convert}};

}  // namespace

void RegisterConvertFunctions() { RegisterRoutines(kRoutines); }
