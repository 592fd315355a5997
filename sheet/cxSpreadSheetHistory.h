#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

class TcxCustomSpreadSheetBook;
class TcxCustomHistory;
class TcxSSBookSheet;

// An undoable action. Every action is also a container of child actions; the newest child is
// first. Undo runs the children newest first, Redo oldest first.
class TcxCustomAction {
public:
  virtual ~TcxCustomAction();
  TcxCustomAction(const TcxCustomAction&) = delete;
  TcxCustomAction& operator=(const TcxCustomAction&) = delete;

  virtual void ClearChildren();
  virtual std::string Description() const;
  virtual void Undo();
  virtual void Redo();
  // Links an action as the oldest child.
  virtual void Append(std::unique_ptr<TcxCustomAction> action);
  // Links an action as the newest child.
  virtual void Prepend(std::unique_ptr<TcxCustomAction> action);

  int Count() const { return static_cast<int>(children_.size()); }
  // Child `index`, 0 being the newest; nullptr out of range.
  TcxCustomAction* Items(int index) const;
  // Detaches child `index` (0 = newest) and hands it over.
  std::unique_ptr<TcxCustomAction> Unlink(int index);
  TcxCustomAction* Parent() const { return parent_; }
  TcxCustomHistory* History() const { return history_; }
  // Whether this action is a named step (complex action).
  virtual bool IsComplex() const { return false; }

protected:
  TcxCustomAction() = default;

private:
  friend class TcxCustomHistory;
  // Oldest first, so the newest child is children_.back().
  std::vector<std::unique_ptr<TcxCustomAction>> children_;
  TcxCustomAction* parent_ = nullptr;
  TcxCustomHistory* history_ = nullptr;
};

// A plain container: the undo list and the redo list.
class TcxActionList : public TcxCustomAction {
public:
  TcxActionList() = default;
};

// A named step grouping the actions recorded while it was open.
class TcxComplexAction : public TcxCustomAction {
public:
  explicit TcxComplexAction(std::string description) : description_(std::move(description)) {}
  std::string Description() const override { return description_; }
  bool IsComplex() const override { return true; }

private:
  std::string description_;
};

// The undo history: at most MaxSteps steps, nothing recorded while locked.
class TcxCustomHistory {
public:
  static constexpr int kMaxSteps = 15;

  explicit TcxCustomHistory(TcxCustomSpreadSheetBook& book);
  virtual ~TcxCustomHistory();
  TcxCustomHistory(const TcxCustomHistory&) = delete;
  TcxCustomHistory& operator=(const TcxCustomHistory&) = delete;

  TcxCustomSpreadSheetBook& Book() const { return book_; }

  virtual void Changed();
  virtual void UpdateLock(bool unlock);
  virtual void ClearAfterError();
  virtual void AfterUndoRedo();
  virtual void Clear();
  virtual void Redo(int count);
  virtual void Undo(int count);

  // Opens a named step; false (nothing opened) while locked. Every true answer is paired with
  // one EndComplex.
  bool BeginComplex(std::string_view description);
  void EndComplex();
  // Links a new action as the newest child of the open step (or the undo list) and returns it;
  // nullptr while locked. The caller then initialises it.
  template <typename TAction, typename... Args>
  TAction* AddAction(Args&&... args) {
    if (IsLocked()) return nullptr;
    return static_cast<TAction*>(
        LinkNewAction(std::make_unique<TAction>(std::forward<Args>(args)...)));
  }
  void Lock() { ++lockCount_; }
  void Unlock() { if (lockCount_ > 0) --lockCount_; }
  bool IsLocked() const { return lockCount_ > 0; }

  // The newest action of the open step (or of the undo list), or nullptr.
  TcxCustomAction* NewestAction() const { return target_->Items(0); }
  TcxActionList& UndoList() { return undoList_; }
  TcxActionList& RedoList() { return redoList_; }
  // The descriptions of the steps, newest first.
  std::vector<std::string> UndoDescriptions() const;
  std::vector<std::string> RedoDescriptions() const;

protected:
  TcxCustomAction* LinkNewAction(std::unique_ptr<TcxCustomAction> action);

private:
  TcxCustomSpreadSheetBook& book_;
  TcxActionList undoList_;
  TcxActionList redoList_;
  TcxCustomAction* target_ = &undoList_;
  bool clearing_ = false;
  int lockCount_ = 0;
};

// The workbook's history: undo and redo run inside the workbook's update lock and recalculate
// afterwards.
class TcxSpreadSheetHistory : public TcxCustomHistory {
public:
  using TcxCustomHistory::TcxCustomHistory;
  void UpdateLock(bool unlock) override;
  void AfterUndoRedo() override;
};
