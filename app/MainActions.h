#pragma once

#include <cstdint>
#include <span>

class QAction;
class TzofMirelGlavna;

// When an action of the main window is enabled. The rules are worked out whenever the
// application is idle (UpdateMainActions).
enum class TActionEnabling : uint8_t {
  Designed,        // as made: enabled when it has something to do
  Always,          // forced enabled
  NotEditing,      // disabled while a cell is being edited in the grid
  Undo,            // the undo list is not empty and no cell is being edited
  Redo,            // the redo list is not empty
  DocumentWindow,  // a document window exists
};

// Flags of an action.
enum TActionFlags : uint8_t {
  afCheckable = 0x01,
  // Does nothing while the window copies its state from a workbook (UpdatingFromBook).
  afIdleWhileUpdating = 0x02,
};

// One command of the main window's action list: everything about it in one row. Menus, tool
// bars and the sheet pop-up menu place the actions by their members.
struct TMainAction {
  QAction* TzofMirelGlavna::*Member;
  const char* Name;
  const char* Category;
  const char* Caption;
  const char* Hint;      // nullptr: none
  const char* Shortcut;  // portable key text; "" for none
  const char* Picture;   // our picture (ShellIcon); "" for none
  const char* Theme;     // the freedesktop icon name; "" for none
  int Tag;
  uint8_t Flags;
  TActionEnabling Enabling;
  // What the command does; nullptr for a command not available yet (it stays disabled).
  void (*Execute)(TzofMirelGlavna& window, QAction& action);
};

std::span<const TMainAction> MainActions();

// Makes the actions of the table, owned by the window, and fills the window's members.
// Triggering one runs its command under the window's error handler.
void CreateMainActions(TzofMirelGlavna& window);
// Applies the enabling rules.
void UpdateMainActions(TzofMirelGlavna& window);
