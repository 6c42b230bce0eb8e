#include "TextFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace TextFit {

namespace {
constexpr double kStep = 0.25;
constexpr double kSmallest = 5.0;
// QLineEdit keeps this many pixels free on each side of its text, plus one for the cursor.
constexpr int kLineEditMargin = 2;
const QString kName = QStringLiteral("TextFit");

bool fitsLineEdit(const QLineEdit *box, const QFont &font)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->hasFrame()
        ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box)
        : 0;
    QRect room = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    room = room.marginsRemoved(box->textMargins());
    return QFontMetrics(font).horizontalAdvance(box->text()) + 1
        <= room.width() - 2 * kLineEditMargin;
}

// Wrapped text must keep every line inside the box; a single line only its width.
bool fitsRect(const QRect &room, const QFont &font, int flags, const QString &text)
{
    const QRect used = QFontMetrics(font).boundingRect(
        QRect(room.left(), room.top(), room.width(), 0xffff), flags, text);
    if (!(flags & Qt::TextWordWrap))
        return used.width() <= room.width();
    return used.width() <= room.width() && used.height() <= room.height();
}

bool fitsLabel(const QLabel *label, const QFont &font)
{
    const QRect room = label->contentsRect().adjusted(
        label->margin(), label->margin(), -label->margin(), -label->margin());
    const int flags = label->wordWrap() ? int(Qt::TextWordWrap) : 0;
    return fitsRect(room, font, flags, label->text());
}

bool fitsCheckBox(const QCheckBox *box, const QFont &font)
{
    // As the setup check box draws it: wrapped from the indicator to the right edge.
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    QRect room = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    room.setRight(box->rect().right());
    room.setTop(0);
    room.setBottom(box->rect().bottom());
    return fitsRect(room, font, Qt::TextWordWrap | Qt::TextShowMnemonic, box->text());
}

bool fitsButton(const QAbstractButton *button, const QFont &font)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const auto *push = qobject_cast<const QPushButton *>(button);
    if (push && push->autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    const QRect room
        = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    return fitsRect(room, font, Qt::TextShowMnemonic, button->text());
}

// Laid out on a copy, so the box itself is not touched while sizes are tried. The copy takes
// the text, the margin and the first paragraph's format (the program's boxes use one).
bool fitsDocument(const QFrame *box, const QTextDocument *document, const QFont &font)
{
    QTextDocument copy;
    copy.setDefaultFont(font);
    copy.setDocumentMargin(document->documentMargin());
    copy.setDefaultTextOption(document->defaultTextOption());
    copy.setPlainText(document->toPlainText());
    QTextCursor all(&copy);
    all.select(QTextCursor::Document);
    all.mergeBlockFormat(document->begin().blockFormat());
    const QRect room = box->contentsRect();
    copy.setTextWidth(room.width());
    return copy.idealWidth() <= room.width() && copy.size().height() <= room.height();
}

class Fitter : public QObject
{
public:
    explicit Fitter(QWidget *control)
        : QObject(control)
        , m_control(control)
        , m_designed(control->font())
    {
        setObjectName(kName);
        control->installEventFilter(this);
    }

    void fit()
    {
        // Nobody reads a hidden text: it is fitted when it is shown (the window's Show reaches
        // each control), and a window left in the tray does no font work for every new text.
        if (!m_control->isVisible())
            return;
        QFont font = m_designed;
        const double designed = m_designed.pointSizeF();
        if (designed <= 0)
            return;
        for (double points = designed; points >= kSmallest; points -= kStep) {
            font.setPointSizeF(points);
            if (fits(m_control, font))
                break;
        }
        if (font == m_control->font())
            return;
        m_fitting = true;
        m_control->setFont(font);
        m_fitting = false;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::FontChange:
            if (m_fitting)
                break;
            m_designed = m_control->font();
            fit();
            break;
        case QEvent::Resize:
        case QEvent::StyleChange:
        case QEvent::Show:
            fit();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_control;
    QFont m_designed;
    bool m_fitting = false;
};

Fitter *fitterOf(QWidget *control)
{
    return static_cast<Fitter *>(control->findChild<QObject *>(kName, Qt::FindDirectChildrenOnly));
}

bool showsText(const QWidget *control)
{
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->pixmap().isNull();
    return qobject_cast<const QLineEdit *>(control) || qobject_cast<const QPushButton *>(control)
        || qobject_cast<const QCheckBox *>(control) || qobject_cast<const QTextEdit *>(control)
        || qobject_cast<const QPlainTextEdit *>(control);
}
} // namespace

bool fits(const QWidget *control, const QFont &font)
{
    if (const auto *box = qobject_cast<const QLineEdit *>(control))
        return fitsLineEdit(box, font);
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return fitsLabel(label, font);
    if (const auto *box = qobject_cast<const QCheckBox *>(control))
        return fitsCheckBox(box, font);
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return fitsButton(button, font);
    if (const auto *box = qobject_cast<const QTextEdit *>(control))
        return fitsDocument(box, box->document(), font);
    if (const auto *box = qobject_cast<const QPlainTextEdit *>(control))
        return fitsDocument(box, box->document(), font);
    return true;
}

void keep(QWidget *control)
{
    if (fitterOf(control))
        return;
    auto *fitter = new Fitter(control);
    const auto refitNow = [fitter] { fitter->fit(); };
    if (auto *box = qobject_cast<QLineEdit *>(control))
        QObject::connect(box, &QLineEdit::textChanged, fitter, refitNow);
    else if (auto *box = qobject_cast<QTextEdit *>(control))
        QObject::connect(box, &QTextEdit::textChanged, fitter, refitNow);
    else if (auto *box = qobject_cast<QPlainTextEdit *>(control))
        QObject::connect(box, &QPlainTextEdit::textChanged, fitter, refitNow);
    fitter->fit();
}

void keepAll(QWidget *window)
{
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (showsText(control))
            keep(control);
    }
}

void refit(QWidget *control)
{
    if (Fitter *fitter = fitterOf(control))
        fitter->fit();
}

} // namespace TextFit
