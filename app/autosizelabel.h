#pragma once

#include <QLabel>
#include <QMargins>

// A one-line label that takes the size of its caption, as a label sized automatically does:
// its top-left corner stays, it grows to the right and down. It is as wide as the caption
// advances and, where a glyph's ink reaches beyond that (left of the pen, past the advance,
// above the line or below it), larger by what the ink needs, so that no character is ever cut
// off. The caption is drawn unclipped from the pen position; alignment and wrapping are not used.
class TAutoSizeLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TAutoSizeLabel(QWidget* parent = nullptr);

    // Sets the caption and the size it needs.
    void SetCaption(const QString& caption);
    // Sizes the label to its caption in its font.
    void FitToText();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Room around the caption's line box that ink beyond the box needs.
    QMargins InkMargins() const;
};
