#include "calc/cxSSFormulasCache.h"

#include "calc/cxSSDataStorage.h"
#include "sheet/ScopeGuard.h"
#include "sheet/cxSpreadSheetBook.h"

TcxSSFormulasCache::TcxSSFormulasCache(TcxCustomSpreadSheetBook& book) : book_(book) {}

TcxSSFormulasCache::~TcxSSFormulasCache() = default;

bool TcxSSFormulasCache::AddFormula(TcxSSDataStorage& /*storage*/, int /*col*/, int /*row*/) {
  // Without a parser no text becomes a formula: the cell keeps the typed text.
  return false;
}

TcxSSFormula* TcxSSFormulasCache::Add(std::unique_ptr<TcxSSFormula> formula) {
  // Compact when more than half of the slots are empty, so that the list stays proportional to
  // the number of formulas while removal stays constant time.
  if (formulas_.size() > 64 && static_cast<size_t>(count_) * 2 < formulas_.size()) {
    size_t next = 0;
    for (auto& slot : formulas_)
      if (slot) {
        slot->ListIndex = next;
        formulas_[next++] = std::move(slot);
      }
    formulas_.resize(next);
  }
  formula->ListIndex = formulas_.size();
  formulas_.push_back(std::move(formula));
  ++count_;
  return formulas_.back().get();
}

bool TcxSSFormulasCache::IsRegistered(const TcxSSFormula* formula) const {
  return formula && formula->ListIndex < formulas_.size() &&
         formulas_[formula->ListIndex].get() == formula;
}

void TcxSSFormulasCache::RemoveFormula(TcxSSFormula* formula) {
  if (!IsRegistered(formula)) return;
  formulas_[formula->ListIndex].reset();
  --count_;
}

TcxSSFormula* TcxSSFormulasCache::CopyFormula(const TcxSSFormula& formula) {
  return Add(std::make_unique<TcxSSFormula>(formula));
}

void TcxSSFormulasCache::Clear() {
  names_.clear();
  formulas_.clear();
  count_ = 0;
  lockCount_ = 0;
}

void TcxSSFormulasCache::Calculate(TcxSSFormula& /*formula*/) {}

void TcxSSFormulasCache::Recalc() {
  if (!IsLocked() && count_ > 0) RecalcAll();
}

void TcxSSFormulasCache::RecalcAll() {
  for (auto& formula : formulas_)
    if (formula) formula->Result.clear();
  for (size_t i = 0; i < formulas_.size(); ++i)
    if (formulas_[i] && formulas_[i]->Visit == 0) Calculate(*formulas_[i]);
}

std::string TcxSSFormulasCache::DisplayText(TcxSSFormula& formula, TcxSSColor& /*color*/,
                                            bool /*formatted*/) {
  // Until results are computed every formula shows no value.
  return formula.Result.empty() ? "0" : std::string();
}

void TcxSSFormulasCache::ExchangeSheets(int a, int b) {
  for (auto& formula : formulas_) {
    if (!formula) continue;
    if (formula->Sheet == a)
      formula->Sheet = static_cast<uint16_t>(b);
    else if (formula->Sheet == b)
      formula->Sheet = static_cast<uint16_t>(a);
  }
  for (auto& name : names_) {
    if (name.Sheet == a)
      name.Sheet = static_cast<uint8_t>(b);
    else if (name.Sheet == b)
      name.Sheet = static_cast<uint8_t>(a);
  }
}

void TcxSSFormulasCache::DeleteSheet(int index) {
  for (auto& formula : formulas_)
    if (formula && formula->Sheet > index) --formula->Sheet;
  for (auto& name : names_)
    if (name.Sheet > index) --name.Sheet;
}
