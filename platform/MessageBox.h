#pragma once

#include <string>

// The modal message box the formula engine reports parse and calculation messages with.
class IMessageBox {
public:
  virtual ~IMessageBox() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};
