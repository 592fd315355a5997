#include "app/ZofMirel.h"

#include <QLinearGradient>
#include <QPainter>

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QPixmap>
#include <QScreen>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/ShellTexts.h"
#include "app/SplashForm.h"
#include "app/UnattendedAnswers.h"
#include "platform/qt/QtEnvironment.h"

namespace {

constexpr QSize kScreenshotSize(1280, 800);

QString AbsoluteFileName(const QString& argument) {
  return argument.isEmpty() ? argument : QFileInfo(argument).absoluteFilePath();
}

void PrintError(const QString& text) {
  std::fprintf(stderr, "zofmirel: %s\n", text.toLocal8Bit().constData());
}

bool HasDisplay() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

}  // namespace

std::unique_ptr<TzofMirelGlavna> StartZofMirel(TStartOptions options) {
  auto splash = std::make_unique<TSplashForm>();
  splash->ShowAndPaint();

  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setWindowIcon(QIcon(":/pictures/icon.png"));

  auto mainWindow = std::make_unique<TzofMirelGlavna>();
  mainWindow->SetPrompts(std::move(options.Prompts));
  mainWindow->SetWorkbookFiles(std::move(options.Files));
  mainWindow->SetCommandLineFile(options.CommandLineFile);
  mainWindow->CreateAboutBox();

  mainWindow->NewWorkbookWindow();

  splash->hide();
  splash.reset();

  // Centred at its design size, which is also what "restore" returns to.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    mainWindow->move(screen->availableGeometry().center() - mainWindow->rect().center());
  mainWindow->showMaximized();
  return mainWindow;
}

int TakeScreenshot(const QString& pngFile, const QString& file) {
  // Nobody is there to answer: every message is answered at once and written to stderr.
  TUnattendedAnswers answers(PrintError);
  auto mainWindow = StartZofMirel({file, nullptr, nullptr});
  // Runs the opening of the file, then lets a failed window finish closing.
  QApplication::processEvents();
  QApplication::processEvents();

  // The picture shows the window as a desktop frames it: a title bar with the window's title
  // (which names the maximised document window) above the window's own contents.
  constexpr int kTitleHeight = 24;
  mainWindow->setWindowState(Qt::WindowNoState);
  mainWindow->resize(kScreenshotSize.width(), kScreenshotSize.height() - kTitleHeight);
  QApplication::processEvents();
  QImage image(kScreenshotSize, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, kScreenshotSize.width(), 0);
    gradient.setColorAt(0, QColor(10, 36, 106));
    gradient.setColorAt(1, QColor(166, 202, 240));
    painter.fillRect(0, 0, kScreenshotSize.width(), kTitleHeight, gradient);
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(8, 0, kScreenshotSize.width() - 16, kTitleHeight),
                     Qt::AlignVCenter | Qt::AlignLeft, mainWindow->windowTitle());
    painter.drawImage(QPoint(0, kTitleHeight), mainWindow->grab().toImage().scaled(
        kScreenshotSize.width(), kScreenshotSize.height() - kTitleHeight,
        Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }

  int status = answers.ErrorAnswered() ? 1 : 0;
  if (!image.save(pngFile, "PNG")) {
    PrintError("cannot write " + pngFile);
    status = 1;
  }
  return status;
}

int ZofMirelMain(int argc, char** argv) {
  const bool screenshot = argc > 1 && std::string_view(argv[1]) == "--screenshot";
  if (screenshot && !HasDisplay()) qputenv("QT_QPA_PLATFORM", "offscreen");

  QApplication app(argc, argv);
  // What the workbooks need from the platform, before any workbook exists.
  InstallQtEnvironment();
  QTranslator qtTexts;
  if (qtTexts.load(QLocale::system(), "qtbase", "_",
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);

  const QStringList arguments = QApplication::arguments();
  if (screenshot) {
    if (arguments.size() < 3 || arguments.size() > 4) {
      PrintError("usage: zofmirel --screenshot OUT.png [FILE.xls]");
      return 2;
    }
    return TakeScreenshot(arguments[2], AbsoluteFileName(arguments.value(3)));
  }
  auto mainWindow = StartZofMirel({AbsoluteFileName(arguments.value(1)), nullptr, nullptr});
  return app.exec();
}
