#include "Form5.h"

#include "shell/HoroluxApp.h"

#include <QCheckBox>

Form5::Form5(HoroluxApp &app)
    : MSComm1(app.ports())
    , MSComm2(app.ports())
    , MSComm3(app.ports())
    , m_app(app)
{
    // The receive routine relies on one character per read.
    MSComm1.setInputLen(1);
    Check1 = new QCheckBox(
        QStringLiteral("&Wait until Receiver is locked on to satellites before setting "
                       "computer's time."),
        this);
    Check1->setTristate(true);
    setCheck1Value(1);
}

int Form5::check1Value() const
{
    switch (Check1->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void Form5::setCheck1Value(int value)
{
    Check1->setCheckState(
        value == 1 ? Qt::Checked : (value == 2 ? Qt::PartiallyChecked : Qt::Unchecked));
}

void Form5::Form_Load()
{ }
