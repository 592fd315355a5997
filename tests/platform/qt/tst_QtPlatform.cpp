// The Qt implementations of the platform services: regional settings read from a locale, text
// services, text measurement, the clipboard, the message box and the assembled environment.
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <cmath>

#include "app/ModalAnswers.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtEnvironment.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtRegionalSettings.h"
#include "platform/qt/QtTextMeasurer.h"
#include "platform/qt/QtTextServices.h"
#include "styles/cxSSStyleTypes.h"

class TestQtPlatform : public QObject {
  Q_OBJECT

private slots:
  void convertsPatterns_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("dateSeparator");
    QTest::addColumn<QString>("timeSeparator");
    QTest::addColumn<QString>("classic");
    QTest::newRow("us short date") << "M/d/yy" << "/" << "" << "m/d/yy";
    QTest::newRow("serbian short date") << "d.M.yyyy" << "." << "" << "d/m/yyyy";
    QTest::newRow("iso date") << "yyyy-MM-dd" << "-" << "" << "yyyy/mm/dd";
    QTest::newRow("long date") << "dddd, MMMM d, yyyy" << "" << "" << "dddd, mmmm d, yyyy";
    QTest::newRow("dots kept in long date") << "dddd, d. MMMM yyyy." << "" << ""
                                           << "dddd, d. mmmm yyyy.";
    QTest::newRow("quoted word") << "d 'de' MMMM 'de' yyyy" << "" << ""
                                 << "d \"de\" mmmm \"de\" yyyy";
    QTest::newRow("quoted apostrophe") << "d''MM" << "" << "" << "d'mm";
    QTest::newRow("slash in long date is quoted") << "d/MMMM" << "" << "" << "d\"/\"mmmm";
    QTest::newRow("12-hour") << "h:mm AP" << "" << ":" << "h:nn AMPM";
    QTest::newRow("12-hour lower") << "h:mm:ss ap" << "" << ":" << "h:nn:ss AMPM";
    QTest::newRow("24-hour with zone") << "HH:mm:ss t" << "" << ":" << "hh:nn:ss";
    QTest::newRow("dot time") << "H.mm" << "" << "." << "h:nn";
    QTest::newRow("milliseconds") << "HH:mm:ss.zzz" << "" << ":" << "hh:nn:ss.zzz";
    QTest::newRow("letters quoted") << "H 'h' mm" << "" << "" << "h \"h\" nn";
  }
  void convertsPatterns() {
    QFETCH(QString, pattern);
    QFETCH(QString, dateSeparator);
    QFETCH(QString, timeSeparator);
    QFETCH(QString, classic);
    QCOMPARE(QString::fromStdString(ConvertQtDateTimePattern(pattern, dateSeparator, timeSeparator)),
             classic);
  }

  void separatorOfPattern_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("separator");
    QTest::newRow("dots") << "d.M.yyyy" << ".";
    QTest::newRow("slashes") << "M/d/yy" << "/";
    QTest::newRow("quoted first") << "'W'd-M" << "-";
    QTest::newRow("time") << "HH:mm" << ":";
    QTest::newRow("none") << "dMyy" << "?";
  }
  void separatorOfPattern() {
    QFETCH(QString, pattern);
    QFETCH(QString, separator);
    QCOMPARE(PatternSeparator(pattern, "?"), separator);
  }

  void capturesLocales_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("numbers");  // decimal, thousands, list, currency
    QTest::addColumn<QList<int>>("currency");  // decimals, format, negative format
    QTest::addColumn<QStringList>("dates");    // date sep, time sep, short date, short time
    QTest::newRow("en_US") << "en_US" << QStringList{".", ",", ",", "$"} << QList<int>{2, 0, 0}
                           << QStringList{"/", ":", "m/d/yy", "h:nn AMPM"};
    QTest::newRow("de_DE") << "de_DE" << QStringList{",", ".", ";", QString::fromUtf8("€")}
                           << QList<int>{2, 3, 8}
                           << QStringList{".", ":", "dd/mm/yy", "hh:nn"};
    QTest::newRow("en_GB") << "en_GB" << QStringList{".", ",", ",", QString::fromUtf8("£")}
                           << QList<int>{2, 0, 0}
                           << QStringList{"/", ":", "dd/mm/yyyy", "hh:nn"};
    QTest::newRow("sr_Latn_RS") << "sr_Latn_RS" << QStringList{",", ".", ";", "RSD"}
                                << QList<int>{0, 3, 15}
                                << QStringList{".", ":", "d/m/yy/", "hh:nn"};
  }
  void capturesLocales() {
    QFETCH(QString, locale);
    QFETCH(QStringList, numbers);
    QFETCH(QList<int>, currency);
    QFETCH(QStringList, dates);
    const TRegionalSettings s = CaptureRegionalSettings(QLocale(locale));
    auto q = [](const std::string& text) { return QString::fromStdString(text); };
    QCOMPARE((QStringList{q(s.DecimalSeparator), q(s.ThousandSeparator), q(s.ListSeparator),
                          q(s.CurrencyString)}),
             numbers);
    QCOMPARE((QList<int>{s.CurrencyDecimals, s.CurrencyFormat, s.NegCurrFormat}), currency);
    QCOMPARE((QStringList{q(s.DateSeparator), q(s.TimeSeparator), q(s.ShortDateFormat),
                          q(s.ShortTimeFormat)}),
             dates);
  }

  void namesAreSundayFirst() {
    const TRegionalSettings s = CaptureRegionalSettings(QLocale("sr_Latn_RS"));
    QCOMPARE(QString::fromStdString(s.LongMonthNames[0]), QString("januar"));
    QCOMPARE(QString::fromStdString(s.LongMonthNames[11]), QString("decembar"));
    QCOMPARE(QString::fromStdString(s.LongDayNames[0]), QString("nedelja"));
    QCOMPARE(QString::fromStdString(s.LongDayNames[1]), QString("ponedeljak"));
    QCOMPARE(QString::fromStdString(s.LongDayNames[6]), QString("subota"));
    const TRegionalSettings us = CaptureRegionalSettings(QLocale("en_US"));
    QCOMPARE(QString::fromStdString(us.ShortDayNames[0]), QString("Sun"));
    QCOMPARE(QString::fromStdString(us.ShortMonthNames[8]), QString("Sep"));
    QCOMPARE(QString::fromStdString(us.TimeAMString), QString("AM"));
    QCOMPARE(QString::fromStdString(us.LongDateFormat), QString("dddd, mmmm d, yyyy"));
  }

  void textServices_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order");
    QTest::newRow("case ignored") << QString::fromUtf8("čaša") << QString::fromUtf8("ČAŠA") << 0;
    QTest::newRow("sheet names") << "Sheet1" << "sheet1" << 0;
    QTest::newRow("less") << "a" << "B" << -1;
    QTest::newRow("greater") << "b" << "A" << 1;
    QTest::newRow("accent counts") << "c" << QString::fromUtf8("č") << -1;
    QTest::newRow("prefix") << "ab" << "A" << 1;
  }
  void textServices() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    const TQtTextServices text(QLocale("sr_Latn_RS"));
    QCOMPARE(text.CompareText(a.toStdString(), b.toStdString()), order);
    QCOMPARE(text.CompareText(b.toStdString(), a.toStdString()), -order);
  }

  void caseMapping() {
    const TQtTextServices text(QLocale("sr_Latn_RS"));
    QCOMPARE(QString::fromStdString(text.UpperCase("čćšđž ljubav ђорђе")),
             QString::fromUtf8("ČĆŠĐŽ LJUBAV ЂОРЂЕ"));
    QCOMPARE(QString::fromStdString(text.LowerCase("ČAČAK Straße")), QString::fromUtf8("čačak straße"));
  }

  void fontFromDescription_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("ppi");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixels");
    QTest::newRow("default face") << "Default" << 10 << 0 << 96 << "Tahoma" << 13;
    QTest::newRow("named") << "Arial" << 8 << int(kFontBold) << 96 << "Arial" << 11;
    QTest::newRow("large screen") << "Arial" << 12 << int(kFontItalic | kFontUnderline) << 120
                                  << "Arial" << 20;
    QTest::newRow("all bits") << "Times New Roman" << 72
                              << int(kFontBold | kFontItalic | kFontUnderline | kFontStrikeOut)
                              << 96 << "Times New Roman" << 96;
  }
  void fontFromDescription() {
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(int, style);
    QFETCH(int, ppi);
    QFETCH(QString, family);
    QFETCH(int, pixels);
    const QFont font =
        FontFromDesc({name.toStdString(), double(size), static_cast<uint8_t>(style), 1}, ppi);
    QCOMPARE(font.family(), family);
    QCOMPARE(font.pixelSize(), pixels);
    QCOMPARE(font.bold(), bool(style & kFontBold));
    QCOMPARE(font.italic(), bool(style & kFontItalic));
    QCOMPARE(font.underline(), bool(style & kFontUnderline));
    QCOMPARE(font.strikeOut(), bool(style & kFontStrikeOut));
  }

  void measuresWithTheScreenFont() {
    const TQtTextMeasurer measurer(96);
    const TcxFontDesc regular{"Arial", 10, 0, 1};
    const TcxFontDesc bold{"Arial", 10, kFontBold, 1};
    const TSize empty = measurer.TextExtent(regular, "");
    const TSize one = measurer.TextExtent(regular, "Wg");
    const TSize two = measurer.TextExtent(regular, "WgWg");
    const QFontMetrics metrics(FontFromDesc(regular, 96));
    QCOMPARE(empty.cx, 0);
    QCOMPARE(one.cy, metrics.height());
    QCOMPARE(one.cx, metrics.horizontalAdvance("Wg"));
    QVERIFY(two.cx > one.cx);
    QVERIFY(measurer.TextExtent(bold, "Wide text").cx >= measurer.TextExtent(regular, "Wide text").cx);
    QVERIFY(measurer.TextExtent({"Arial", 20, 0, 1}, "Wg").cy > one.cy);
    // UTF-8 text is measured as characters, not bytes.
    QCOMPARE(measurer.TextExtent(regular, "ššš").cx, metrics.horizontalAdvance(QString::fromUtf8("ššš")));
  }

  void clipboardCarriesBothFormats() {
    TQtClipboard clipboard;
    const std::string block("Marvilo\0\x01\xFF", 10);
    clipboard.SetContents(block, "1\t2\r\n3\t4");
    QCOMPARE(clipboard.PrivateData(), std::optional<std::string>(block));
    QCOMPARE(clipboard.Text(), std::optional<std::string>("1\t2\r\n3\t4"));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data->hasFormat("application/x-zofmirel-marvilo-1.0"));
    QCOMPARE(data->text(), QString("1\t2\r\n3\t4"));
  }

  void clipboardFromAnotherProgramHasOnlyText() {
    TQtClipboard clipboard;
    clipboard.SetContents("block", "old");
    QGuiApplication::clipboard()->setText(QString::fromUtf8("Čačak\t5"));
    QVERIFY(!clipboard.PrivateData());
    QCOMPARE(clipboard.Text(), std::optional<std::string>("Čačak\t5"));
    QGuiApplication::clipboard()->clear();
    QVERIFY(!clipboard.PrivateData());
    QVERIFY(!clipboard.Text());
  }

  void messageBoxShowsTheText() {
    TModalAnswers answers;
    answers.Then(TModalAnswers::Click(QMessageBox::Ok));
    QCoreApplication::setApplicationName("Zof Mirel");
    TQtMessageBox().ShowMessage("Error syntax in string expression");
    QCOMPARE(answers.Shown, QStringList{"Zof Mirel | Error syntax in string expression"});
    QVERIFY(answers.Unexpected.isEmpty());
  }

  void environmentIsAssembledAndInstalled() {
    const int ppi = ScreenPixelsPerInch();
    QCOMPARE(ppi, int(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInch())));
    const auto env = MakeQtEnvironment();
    QCOMPARE(env->PixelsPerInch, ppi);
    QVERIFY(dynamic_cast<TQtTextServices*>(env->Text.get()));
    QVERIFY(dynamic_cast<TQtTextMeasurer*>(env->Measurer.get()));
    QVERIFY(dynamic_cast<TQtClipboard*>(env->Clipboard.get()));
    QVERIFY(dynamic_cast<TQtMessageBox*>(env->Messages.get()));
    QCOMPARE(env->Settings.DecimalSeparator, CaptureRegionalSettings(QLocale::system()).DecimalSeparator);
    // Days since 1899-12-30: today's serial, with the time as the fraction.
    const double expected = QDate(1899, 12, 30).daysTo(QDate::currentDate());
    const double now = env->Now();
    QVERIFY2(now >= expected && now < expected + 1.0001, qPrintable(QString::number(now)));

    InstallQtEnvironment();
    QVERIFY(dynamic_cast<const TQtTextServices*>(TcxEnvironment::Default()->Text.get()));
  }
};

QTEST_MAIN(TestQtPlatform)
#include "tst_QtPlatform.moc"
