#pragma once

#include <QMargins>
#include <QPlainTextEdit>
#include <QStringList>
#include <QWidget>

// A read-only multi-line text box whose content is a list of lines. The lines are the stored
// text: translating them (a string-list property, line by line) rewrites what is shown.
// Pressing the mouse on it and moving starts a drag of the whole text.
//
// While hidden, the box keeps its lines out of its text document and fills it when shown. The
// translator walks the document's plain text as well as the lines, and would otherwise look up
// the whole text, keys and line breaks included, as one key.
class TMemo : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(QStringList Lines READ lines WRITE setLines)

public:
    explicit TMemo(QWidget* parent = nullptr);

    const QStringList& lines() const { return m_lines; }
    void setLines(const QStringList& lines);
    // The lines as one text, as shown and as dragged.
    QString text() const;

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Runs the drag of the text to its end (drop or cancel).
    virtual void startTextDrag();

private:
    void showLines();

    QStringList m_lines;
    bool m_linesPending = false;
    QPoint m_pressPos;
    bool m_pressed = false;
};

// The floating explanations window: a topmost window whose text box explains the traces. It
// has no behaviour of its own; the main window shows, hides and raises it. Escape closes it, as
// its title bar does.
class TFrmExplain : public QWidget
{
    Q_OBJECT

public:
    // Outer size, frame included.
    static constexpr QSize OuterSize{611, 174};
    // Frame assumed until the window system reports the real one.
    static constexpr QMargins AssumedFrame{4, 27, 4, 4};
    static constexpr QColor MemoColor{255, 251, 240};

    explicit TFrmExplain(QWidget* parent = nullptr);

    TMemo* MMExplain() const { return m_mmExplain; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TMemo* m_mmExplain = nullptr;
    bool m_placed = false;
};
