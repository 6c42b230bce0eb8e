#include "TestRig.h"
#include "dialogs/Form9.h"
#include "platform/Twips.h"
#include "platform/VersionInfo.h"
#include "serial/SerialDevice.h"
#include "shell/Form1.h"
#include "shell/MenuCommands.h"

#include <QApplication>
#include <QTest>
#include <QTextEdit>

class tst_InfoWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void serviceThenAboutAndBack();
    void aboutShowsVersionAndCopyright();
    void placedOnceBesideTheMainWindow();
    void closing_data();
    void closing();
    void keysThatTypeNothingLeaveItUp();
    void staysOnTopWhileAnotherApplicationIsActive();
    void mainWindowGetsTheFocusOnlyWhenVisible();

private:
    Form9 *form9() { return m_rig->app().form9(); }
    Form1 *form1() { return m_rig->app().form1(); }
    void verifyService();
    void verifyAbout();
    QStringList bodyLines() { return form9()->Text1->toPlainText().split(u'\n'); }

    std::unique_ptr<TestRig> m_rig;
};

void tst_InfoWindow::init()
{
    m_rig = std::make_unique<TestRig>();
}

void tst_InfoWindow::cleanup()
{
    m_rig.reset();
}

void tst_InfoWindow::verifyService()
{
    Form9 *form = form9();
    QVERIFY(form->isVisible());
    QVERIFY(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!form1()->isEnabled());
    QCOMPARE(form->windowTitle(), QStringLiteral("Service"));
    QCOMPARE(form->heightTwips(), 2940);
    QCOMPARE(form->Text1->height(), Twips::toPixels(2055));
    QVERIFY(form->Text2[0]->font().italic());
    QVERIFY(form->Text2[1]->isVisible());
    QVERIFY(!form->Text2[1]->toPlainText().isEmpty());
    const QStringList lines = bodyLines();
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.mid(0, 3), QStringList({"", "", ""}));
    QVERIFY(lines[5].contains(u'@'));
}

void tst_InfoWindow::verifyAbout()
{
    Form9 *form = form9();
    QVERIFY(form->isVisible());
    QVERIFY(!form1()->isEnabled());
    QCOMPARE(form->windowTitle(), QStringLiteral("About Horolux"));
    QCOMPARE(form->heightTwips(), 2835);
    QCOMPARE(form->Text1->height(), Twips::toPixels(1935));
    QVERIFY(!form->Text2[0]->font().italic());
    QCOMPARE(form->Text2[0]->toPlainText(), QStringLiteral("Horolux Software"));
    QVERIFY(!form->Text2[1]->isVisible());
}

void tst_InfoWindow::serviceThenAboutAndBack()
{
    MenuCommands &menus = m_rig->app().menuCommands();
    menus.menuHelpService_Click();
    verifyService();
    const QString vendor = form9()->Text2[0]->toPlainText();
    menus.menuHelpAbout_Click();
    verifyAbout();
    menus.menuHelpService_Click();
    verifyService();
    QCOMPARE(form9()->Text2[0]->toPlainText(), vendor);
}

void tst_InfoWindow::aboutShowsVersionAndCopyright()
{
    const VersionInfo version = VersionInfo::program();
    // The project's own version numbers, as the build states them.
    QCOMPARE(version.Major, HOROLUX_VERSION_MAJOR);
    QCOMPARE(version.Minor, HOROLUX_VERSION_MINOR);
    QCOMPARE(version.Revision, HOROLUX_VERSION_PATCH);
    form9()->showAbout();
    const QStringList lines = bodyLines();
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines[3], version.LegalCopyright);
    QVERIFY(lines[4].isEmpty());
    QVERIFY2(lines[5].startsWith(QStringLiteral("Version %1.%2")
                                     .arg(HOROLUX_VERSION_MAJOR)
                                     .arg(HOROLUX_VERSION_MINOR, 2, 10, QLatin1Char('0'))
                 + QString(30, u' ')),
        qPrintable(lines[5]));
    QVERIFY(lines[5].size() > 42);
    QCOMPARE(lines[6], QStringLiteral("Licence: GNU GPL version 3 or later"));
}

void tst_InfoWindow::placedOnceBesideTheMainWindow()
{
    form1()->setPositionTwips(1500, 3000);
    QCOMPARE(form9()->pos(), QPoint(Twips::toPixels(1800), Twips::toPixels(3600)));
    form9()->showService();
    const QPoint shownAt = form9()->pos();
    QTest::mouseClick(form9(), Qt::LeftButton);
    form1()->setPositionTwips(15, 15);
    form9()->showAbout();
    QCOMPARE(form9()->pos(), shownAt);
}

void tst_InfoWindow::closing_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"click on the window", "click on the body", "click on the heading",
             "click on the telephone line", "typed letter", "Enter", "letter sent to the body",
             "another window activated", "window system close"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void tst_InfoWindow::closing()
{
    QFETCH(QString, how);
    Form9 *form = form9();
    form->showService();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QWidget other;
    if (how == "click on the window")
        QTest::mouseClick(form, Qt::LeftButton, {}, QPoint(5, 5));
    else if (how == "click on the body")
        QTest::mouseClick(form->Text1->viewport(), Qt::LeftButton);
    else if (how == "click on the heading")
        QTest::mouseClick(form->Text2[0]->viewport(), Qt::LeftButton);
    else if (how == "click on the telephone line")
        QTest::mouseClick(form->Text2[1]->viewport(), Qt::LeftButton);
    else if (how == "typed letter")
        QTest::keyClick(form, Qt::Key_A);
    else if (how == "Enter")
        QTest::keyClick(form, Qt::Key_Return);
    else if (how == "letter sent to the body")
        QTest::keyClick(form->Text1, Qt::Key_Z);
    else if (how == "window system close")
        form->close();
    else {
        other.show();
        other.activateWindow();
    }
    QTRY_VERIFY(form->isHidden());
    QVERIFY(form1()->isEnabled());
}

void tst_InfoWindow::keysThatTypeNothingLeaveItUp()
{
    form9()->showAbout();
    for (Qt::Key key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_F5, Qt::Key_Left})
        QTest::keyClick(form9(), key);
    QVERIFY(form9()->isVisible());
    QVERIFY(!form1()->isEnabled());
}

void tst_InfoWindow::staysOnTopWhileAnotherApplicationIsActive()
{
    form9()->showAbout();
    QVERIFY(QTest::qWaitForWindowActive(form9()));
    // What the window system reports when the user switches to another program.
    QApplication::setActiveWindow(nullptr);
    QVERIFY(!form9()->isActiveWindow());
    QVERIFY(form9()->isVisible());
    QVERIFY(!form1()->isEnabled());
}

void tst_InfoWindow::mainWindowGetsTheFocusOnlyWhenVisible()
{
    form9()->showAbout();
    QTest::mouseClick(form9(), Qt::LeftButton);
    QVERIFY(form1()->isHidden());

    form1()->show();
    QVERIFY(QTest::qWaitForWindowActive(form1()));
    form9()->showService();
    QVERIFY(QTest::qWaitForWindowActive(form9()));
    QTest::keyClick(form9(), Qt::Key_Space);
    QVERIFY(form9()->isHidden());
    QVERIFY(QTest::qWaitForWindowActive(form1()));
}

QTEST_MAIN(tst_InfoWindow)
#include "tst_infowindow.moc"
