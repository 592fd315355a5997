#include "sheet/cxSpreadSheetHistory.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "calc/cxSSFormulasCache.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetBook.h"

// --- TcxCustomAction -----------------------------------------------------------------------------

TcxCustomAction::~TcxCustomAction() = default;

void TcxCustomAction::ClearChildren() { children_.clear(); }

std::string TcxCustomAction::Description() const {
  // The class name: the type's name as the compiler keeps it is mangled ("13TcxActionList").
  const char* mangled = typeid(*this).name();
  int status = 0;
  const std::unique_ptr<char, decltype(&std::free)> name(
      abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
  return status == 0 && name ? std::string(name.get()) : std::string(mangled);
}

void TcxCustomAction::Undo() {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) (*it)->Undo();
}

void TcxCustomAction::Redo() {
  for (auto& child : children_) child->Redo();
}

void TcxCustomAction::Append(std::unique_ptr<TcxCustomAction> action) {
  action->parent_ = this;
  children_.insert(children_.begin(), std::move(action));
}

void TcxCustomAction::Prepend(std::unique_ptr<TcxCustomAction> action) {
  action->parent_ = this;
  children_.push_back(std::move(action));
}

TcxCustomAction* TcxCustomAction::Items(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return children_[children_.size() - 1 - index].get();
}

std::unique_ptr<TcxCustomAction> TcxCustomAction::Unlink(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  const auto it = children_.end() - 1 - index;
  auto action = std::move(*it);
  children_.erase(it);
  action->parent_ = nullptr;
  return action;
}

// --- TcxCustomHistory ----------------------------------------------------------------------------

TcxCustomHistory::TcxCustomHistory(TcxCustomSpreadSheetBook& book) : book_(book) {}

TcxCustomHistory::~TcxCustomHistory() = default;

void TcxCustomHistory::Changed() { book_.Listener().HistoryChanged(); }

void TcxCustomHistory::UpdateLock(bool /*unlock*/) {}

void TcxCustomHistory::ClearAfterError() {
  if (clearing_) return;
  clearing_ = true;
  TScopeGuard reset([this] {
    clearing_ = false;
    undoList_.ClearChildren();
    redoList_.ClearChildren();
    target_ = &undoList_;
  });
  Clear();
}

void TcxCustomHistory::AfterUndoRedo() {}

void TcxCustomHistory::Clear() {
  {
    TScopeGuard clearRedo([this] { redoList_.ClearChildren(); });
    undoList_.ClearChildren();
  }
  target_ = &undoList_;
  Changed();
}

TcxCustomAction* TcxCustomHistory::LinkNewAction(std::unique_ptr<TcxCustomAction> action) {
  try {
    // The undo list keeps the newest steps only: making room drops the oldest, also for a step
    // that may later be discarded because it stayed empty.
    if (target_ == &undoList_ && undoList_.Count() >= kMaxSteps) undoList_.Unlink(undoList_.Count() - 1);
    // A new change makes redo impossible; merely opening a step does not.
    if (!action->IsComplex()) redoList_.ClearChildren();
    action->history_ = this;
    TcxCustomAction* result = action.get();
    target_->Prepend(std::move(action));
    return result;
  } catch (...) {
    ClearAfterError();
    throw;
  }
}

bool TcxCustomHistory::BeginComplex(std::string_view description) {
  if (IsLocked()) return false;
  target_ = LinkNewAction(std::make_unique<TcxComplexAction>(std::string(description)));
  return true;
}

namespace {

// Frees the empty named steps among the newest children, stopping at the first child that is
// not a named step.
void DropEmptyComplexChildren(TcxCustomAction& action) {
  int index = 0;
  while (TcxCustomAction* child = action.Items(index)) {
    if (!child->IsComplex()) break;
    DropEmptyComplexChildren(*child);
    if (child->Count() == 0)
      action.Unlink(index);
    else
      ++index;
  }
}

}  // namespace

void TcxCustomHistory::EndComplex() {
  TcxCustomAction* step = target_;
  if (!step->IsComplex()) return;
  TcxCustomAction* parent = step->Parent();
  target_ = parent ? parent : &undoList_;
  DropEmptyComplexChildren(*step);
  if (step->Count() == 0) {
    for (int i = 0; i < target_->Count(); ++i)
      if (target_->Items(i) == step) {
        target_->Unlink(i);
        break;
      }
  } else {
    Changed();
  }
}

namespace {

// Moves the newest step of `from` to the front of `to` after running `run` on it.
template <typename Run>
void Replay(TcxCustomHistory& history, TcxActionList& from, TcxActionList& to, int count, Run run) {
  for (int done = 0; done < count && from.Count() > 0; ++done) {
    try {
      run(*from.Items(0));
    } catch (...) {
      history.ClearAfterError();
      throw;
    }
    to.Prepend(from.Unlink(0));
  }
}

}  // namespace

void TcxCustomHistory::Undo(int count) {
  book_.BeginUpdate();
  Lock();
  TScopeGuard finish([this] {
    AfterUndoRedo();
    UpdateLock(true);
    target_ = &undoList_;
    Unlock();
    Changed();
  });
  Replay(*this, undoList_, redoList_, count, [](TcxCustomAction& step) { step.Undo(); });
}

void TcxCustomHistory::Redo(int count) {
  book_.BeginUpdate();
  Lock();
  if (book_.Control()) book_.Control()->SetBusyCursor(true);
  TScopeGuard finish([this] {
    if (book_.Control()) book_.Control()->SetBusyCursor(false);
    AfterUndoRedo();
    UpdateLock(true);
    target_ = &undoList_;
    Unlock();
    Changed();
  });
  UpdateLock(false);
  {
    TScopeGuard relock([this] { UpdateLock(true); });
    Replay(*this, redoList_, undoList_, count, [](TcxCustomAction& step) { step.Redo(); });
  }
}

std::vector<std::string> TcxCustomHistory::UndoDescriptions() const {
  std::vector<std::string> result;
  for (int i = 0; i < undoList_.Count(); ++i) result.push_back(undoList_.Items(i)->Description());
  return result;
}

std::vector<std::string> TcxCustomHistory::RedoDescriptions() const {
  std::vector<std::string> result;
  for (int i = 0; i < redoList_.Count(); ++i) result.push_back(redoList_.Items(i)->Description());
  return result;
}

// --- TcxSpreadSheetHistory ------------------------------------------------------------------------

void TcxSpreadSheetHistory::UpdateLock(bool unlock) {
  if (unlock)
    Book().EndUpdate();
  else
    Book().BeginUpdate();
}

void TcxSpreadSheetHistory::AfterUndoRedo() {
  // Restored formulas and their dependants are brought up to date even with AutoRecalc off.
  TcxSSFormulasCache& engine = Book().FormulasCache();
  const int saved = engine.LockCount();
  engine.SetLockCount(0);
  TScopeGuard restore([&engine, saved] { engine.SetLockCount(saved); });
  for (int pass = 0; pass < 2 * Book().PageCount(); ++pass) engine.RecalcAll();
}
