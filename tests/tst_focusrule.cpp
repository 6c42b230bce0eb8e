#include "TestRig.h"
#include "serial/SerialDevice.h"
#include "shell/Form1.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// The display boxes of the main window never keep the input focus.
class tst_FocusRule : public QObject
{
    Q_OBJECT
private slots:
    void displayBoxesPassTheFocusToHide_data();
    void displayBoxesPassTheFocusToHide();
};

void tst_FocusRule::displayBoxesPassTheFocusToHide_data()
{
    QTest::addColumn<int>("box");
    for (int i = 0; i < 5; ++i)
        QTest::newRow(QByteArray::number(i).constData()) << i;
}

void tst_FocusRule::displayBoxesPassTheFocusToHide()
{
    QFETCH(int, box);
    TestRig rig;
    Form1 *form = rig.app().form1();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QTRY_COMPARE(QApplication::focusWidget(), form->Command2);
    QLineEdit *boxes[] = {form->Text1, form->Text2, form->Text3[0], form->Text3[1], form->Text1};
    if (box == 4) {
        QTest::mouseClick(boxes[box], Qt::LeftButton);
    } else {
        boxes[box]->setFocus(Qt::TabFocusReason);
    }
    QTRY_COMPARE(QApplication::focusWidget(), form->Command2);
}

QTEST_MAIN(tst_FocusRule)
#include "tst_focusrule.moc"
