#include "app/uexplain.h"

#include "app/resources/dscdmaresources.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTextDocument>
#include <QWindow>

TMemo::TMemo(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    // A keyboard user moves through the text with the caret, and a screen reader follows it.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void TMemo::setLines(const QStringList& lines)
{
    m_lines = lines;
    if (isVisible()) {
        showLines();
        return;
    }
    m_linesPending = true;
    if (!document()->isEmpty())
        clear();
}

QString TMemo::text() const
{
    return m_lines.join(QLatin1Char('\n'));
}

void TMemo::showEvent(QShowEvent* event)
{
    QPlainTextEdit::showEvent(event);
    if (m_linesPending)
        showLines();
}

void TMemo::showLines()
{
    m_linesPending = false;
    const QString shown = text();
    if (shown != toPlainText())
        setPlainText(shown);
}

void TMemo::mousePressEvent(QMouseEvent* event)
{
    // A press prepares a drag instead of a selection.
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_pressPos = event->position().toPoint();
        setFocus(Qt::MouseFocusReason);
    }
    event->accept();
}

void TMemo::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    m_pressed = false;
    startTextDrag();
}

void TMemo::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = false;
    event->accept();
}

void TMemo::startTextDrag()
{
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setText(text());
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}

// ---------------------------------------------------------------------------------------------

TFrmExplain::TFrmExplain(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("FrmExplain"));
    setWindowTitle(QStringLiteral("Explanations"));
    setWindowIcon(resources::applicationIcon());
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    setFont(font);
    // Left open, it must not keep the program running once the main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(OuterSize.shrunkBy(AssumedFrame));

    m_mmExplain = new TMemo(this);
    m_mmExplain->setObjectName(QStringLiteral("MMExplain"));
    QPalette palette = m_mmExplain->palette();
    palette.setColor(QPalette::Base, MemoColor);
    m_mmExplain->setPalette(palette);
    m_mmExplain->setLines({QStringLiteral("BF_MMExplain1"), QString(), QStringLiteral("BF_MMExplain2")});
    m_mmExplain->setGeometry(rect());
}

void TFrmExplain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_placed)
        return;
    // Centred once; afterwards the window stays where the user puts it.
    m_placed = true;
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull())
        frame = AssumedFrame;
    else
        resize(OuterSize.shrunkBy(frame));
    const QSize outer = size().grownBy(frame);
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
    }
}

void TFrmExplain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_mmExplain->setGeometry(rect());
}

void TFrmExplain::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && !(event->modifiers() & ~Qt::KeypadModifier)) {
        event->accept();
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
