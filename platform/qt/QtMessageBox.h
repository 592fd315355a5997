#pragma once

#include "platform/MessageBox.h"

// A modal information box over the active window, titled with the application's name.
class TQtMessageBox : public IMessageBox {
public:
  void ShowMessage(const std::string& text) override;
};
