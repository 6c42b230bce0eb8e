#include "TestRig.h"
#include "dialogs/Form10.h"
#include "dialogs/Form9.h"
#include "platform/TextFit.h"
#include "setup/Form5.h"
#include "setup/StatusPanels.h"
#include "shell/Form1.h"
#include "transmit/Form4.h"
#include "transmit/MonitorTextBox.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

// Every text of every window fits its box, in the face the layout was drawn for and in faces
// wider than it.
class tst_Readable : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_rig = std::make_unique<TestRig>(); }
    void cleanup() { m_rig.reset(); }
    void layoutFaceHasArialMetrics();
    void everyControlHoldsItsText_data();
    void everyControlHoldsItsText();
    void rewrittenPanelShowsItsStart();

private:
    QList<QWidget *> windows();
    QList<QWidget *> texts();
    void writeLongestTexts();
    QStringList overflowing();

    std::unique_ptr<TestRig> m_rig;
};

namespace {
bool showsText(const QWidget *w)
{
    if (const auto *label = qobject_cast<const QLabel *>(w))
        return label->pixmap().isNull() && !label->text().isEmpty();
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QPushButton *>(w)
        || qobject_cast<const QCheckBox *>(w) || qobject_cast<const QTextEdit *>(w)
        || qobject_cast<const QPlainTextEdit *>(w);
}

// What the user sees: the whole text, nothing scrolled away or cut off. A clock box is measured
// here on its own (2 pixels free each side and one for the cursor: a scrolled clock reads as a
// valid-looking wrong time); the other controls as the fitter measures them.
bool holds(const QWidget *w)
{
    if (const auto *box = qobject_cast<const QLineEdit *>(w)) {
        const int frame
            = box->hasFrame() ? w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
        return box->fontMetrics().horizontalAdvance(box->text()) + 1
            <= box->width() - 2 * frame - 4;
    }
    return TextFit::fits(w, w->font());
}
} // namespace

QList<QWidget *> tst_Readable::windows()
{
    HoroluxApp &app = m_rig->app();
    return {app.form1(), app.form4(), app.form5(), app.form9(), app.form10()};
}

QList<QWidget *> tst_Readable::texts()
{
    QList<QWidget *> found;
    for (QWidget *window : windows())
        for (QWidget *w : window->findChildren<QWidget *>())
            if (showsText(w) && w->isVisible())
                found << w;
    return found;
}

void tst_Readable::writeLongestTexts()
{
    Form1 *form = m_rig->app().form1();
    form->show();
    form->Text1->setText(QStringLiteral("10:58:58 PM"));
    // As a decode writes the receiver's time: the text, then its larger face.
    QFont font = form->Text2->font();
    font.setPointSizeF(14);
    form->Text2->setText(QStringLiteral("12:22 PM"));
    form->Text2->setFont(font);
    m_rig->m().receivePort = 8;
    m_rig->m().transmitPort = 8;
    StatusPanels::write(form->Text3, m_rig->m());
    Form4 *monitor = m_rig->app().form4();
    monitor->show();
    monitor->Text1->setText(
        QStringLiteral("$GPRMC,235858,A,4916.45,N,12311.12,W,000.0,000.0,311299,000.0,E*68\r\n"));
    // Texts are fitted as their window is shown.
    m_rig->app().form5()->show();
}

QStringList tst_Readable::overflowing()
{
    QStringList names;
    for (QWidget *w : texts())
        if (!holds(w))
            names << QString::fromLatin1(w->metaObject()->className()) + u' '
                    + w->window()->windowTitle();
    return names;
}

void tst_Readable::layoutFaceHasArialMetrics()
{
    if (!QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
        QSKIP("Liberation Sans (fonts-liberation2) is not installed");
    for (QWidget *w : texts()) {
        const QString family = QFontInfo(w->font()).family();
        QVERIFY2(family == QStringLiteral("Liberation Sans"),
            qPrintable(
                family + u' ' + w->metaObject()->className() + u' ' + w->window()->windowTitle()));
    }
}

void tst_Readable::everyControlHoldsItsText_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("stretch");
    QTest::newRow("DejaVu Sans Bold") << QStringLiteral("DejaVu Sans") << 100;
    QTest::newRow("Liberation Sans at 140 %") << QStringLiteral("Liberation Sans") << 140;
}

void tst_Readable::everyControlHoldsItsText()
{
    QFETCH(QString, family);
    QFETCH(int, stretch);
    for (QWidget *window : windows()) {
        for (QWidget *w : window->findChildren<QWidget *>()) {
            QFont font = w->font();
            font.setFamilies({family});
            font.setStretch(stretch);
            font.setBold(font.bold() || stretch == 100);
            w->setFont(font);
        }
    }
    writeLongestTexts();
    QStringList names = overflowing();

    Form9 *info = m_rig->app().form9();
    info->showService();
    names << overflowing();
    info->showAbout();
    names << overflowing();
    info->Form_Click();

    Form10 *box = m_rig->app().form10();
    QTimer::singleShot(0, box, [&] {
        names << overflowing();
        box->Command1->click();
    });
    m_rig->app().ShowMessageBox(QStringLiteral("Unforeseen Error occured - Number 8015.\r\nError: "
                                               "Access to the port is denied (the user needs the "
                                               "right to use serial devices, usually the group "
                                               "dialout)\r\n\r\nIf Error persists contact vendor."),
        MessageBox::Exclamation, MessageBox::OkOnly, QStringLiteral("Comm Port 8"));
    QVERIFY2(names.isEmpty(), qPrintable(names.join(QStringLiteral(", "))));
}

void tst_Readable::rewrittenPanelShowsItsStart()
{
    Form1 *form = m_rig->app().form1();
    m_rig->m().receivePort = 5;
    m_rig->m().transmitPort = 5;
    StatusPanels::write(form->Text3, m_rig->m());
    StatusPanels::write(form->Text3, m_rig->m());
    QCOMPARE(form->Text3[0]->cursorPosition(), 0);
    QCOMPARE(form->Text3[1]->cursorPosition(), 0);
}

QTEST_MAIN(tst_Readable)
#include "tst_readable.moc"
