#include "Form4.h"

#include "common/Pictures.h"
#include "shell/HoroluxApp.h"

#include <QPlainTextEdit>
#include <QPushButton>

Form4::Form4(HoroluxApp &app)
    : m_app(app)
{
    setWindowTitle(QStringLiteral("  Simulated GPS Transmission : "));
    setWindowIcon(Pictures::transmissionWindowIcon());
    Text1 = new QPlainTextEdit(this);
    Command1 = new QPushButton(QStringLiteral("&Hide"), this);
}
