#include "FakeSerial.h"
#include "TestRig.h"
#include "dialogs/Form10.h"
#include "serial/CommError.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "shell/UserNotice.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <functional>

// Failures the user must act on reach the user once, without anything waiting for them.
class tst_UserNotice : public QObject
{
    Q_OBJECT
private slots:
    void toldOncePerCause_data();
    void toldOncePerCause();
    void textsFitTheBox();
};

using Setup = std::function<void(TestRig &, FakeSerialFactory &)>;
using Failure = std::function<void(TestRig &)>;

void tst_UserNotice::toldOncePerCause_data()
{
    QTest::addColumn<bool>("tray");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<Failure>("failure");
    QTest::addColumn<QString>("told");
    const auto receiveOn3 = [](TestRig &rig, FakeSerialFactory &ports, int openError) {
        QFile file(rig.folder() + QStringLiteral("/GPSInit.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("\x03\x00\x00", 3) == 3);
        ports.port(3).openError = openError;
    };
    const Failure reopen = [](TestRig &rig) { rig.app().form5()->MSComm1.openQuietly(3); };
    const Failure setClock = [](TestRig &rig) {
        rig.clock().SetSystemTime(SYSTEMTIME {2027, 1, 5, 1, 0, 0, 0, 0});
    };
    const auto text = &UserNotice::text;
    using C = UserNotice::Cause;
    QTest::newRow("clock refused, tray")
        << true << Setup([](TestRig &rig, FakeSerialFactory &) { rig.clock().setRefuseSet(true); })
        << setClock << text(C::ClockNotSettable);
    QTest::newRow("clock refused, no tray")
        << false << Setup([](TestRig &rig, FakeSerialFactory &) { rig.clock().setRefuseSet(true); })
        << setClock << text(C::ClockNotSettable);
    QTest::newRow("receive port denied") << true << Setup([=](TestRig &r, FakeSerialFactory &p) {
        receiveOn3(r, p, CommError::AccessDenied);
    }) << reopen << text(C::ReceivePortDenied);
    QTest::newRow("receive port missing: nothing to do")
        << true << Setup([=](TestRig &r, FakeSerialFactory &p) {
               receiveOn3(r, p, CommError::InvalidPortNumber);
           })
        << reopen << QString();
    QTest::newRow("settings file a link") << false << Setup([](TestRig &rig, FakeSerialFactory &) {
        QVERIFY(
            QFile::link(QStringLiteral("/nowhere"), rig.folder() + QStringLiteral("/GPSInit.ini")));
    }) << Failure([](TestRig &) {}) << text(C::SettingsNotSaved);
}

void tst_UserNotice::toldOncePerCause()
{
    QFETCH(bool, tray);
    QFETCH(Setup, setup);
    QFETCH(Failure, failure);
    QFETCH(QString, told);
    auto owned = std::make_unique<FakeSerialFactory>();
    FakeSerialFactory &ports = *owned;
    TestRig rig(TestRig::defaultStart(), std::move(owned));
    rig.app().setNotificationArea(tray);
    setup(rig, ports);
    QSignalSpy shown(&rig.app().userNotice(), &UserNotice::shown);
    rig.app().start();
    failure(rig);
    QCOMPARE(shown.count(), 0); // after the handler that met the failure
    failure(rig);
    QCoreApplication::processEvents();
    QCOMPARE(shown.count(), told.isEmpty() ? 0 : 1);
    if (told.isEmpty())
        return;
    QCOMPARE(shown.first().first().toString(), told);
    // Without a tray the box is up, nothing waits for it and the main window stays usable.
    QCOMPARE(rig.app().isForm10Loaded() && rig.app().form10()->isVisible(), !tray);
    QVERIFY(rig.app().form1()->isEnabled());
}

void tst_UserNotice::textsFitTheBox()
{
    TestRig rig;
    const QLabel *label = rig.app().form10()->Label1;
    const QFontMetrics metrics(label->font());
    using C = UserNotice::Cause;
    for (C cause : {C::ClockNotSettable, C::ReceivePortDenied, C::SettingsNotSaved}) {
        const QRect needed = metrics.boundingRect(
            QRect(QPoint(), label->size()), Qt::TextWordWrap, UserNotice::text(cause));
        QVERIFY2(needed.height() <= label->height(), qPrintable(UserNotice::text(cause)));
    }
}

QTEST_MAIN(tst_UserNotice)
#include "tst_usernotice.moc"
