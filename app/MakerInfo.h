#pragma once

#include <QString>

// Who makes the program: shown in the about box and the Help menu.
struct TMakerInfo {
  QString WebSiteName = QStringLiteral("www.orbeka.example");
  QString WebSite = QStringLiteral("https://www.orbeka.example");
  QString Mail = QStringLiteral("podrska@orbeka.example");
  QString SupportPage = QStringLiteral("https://podrska.orbeka.example/Pomoc/index.php?a=add");
};
