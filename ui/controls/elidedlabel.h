#pragma once

#include <QLabel>

// A one-line label that fits any text into the room it is given: a text too long for it
// is shortened with an ellipsis in the middle, and the whole text is its tooltip and what
// assistive technology reads. It asks for no more width than a few characters, so a long
// name never pushes the controls beside it out of view.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString &text = QString(), QWidget *parent = nullptr);

    QString fullText() const { return m_fullText; }
    void setFullText(const QString &text);
    bool isElided() const { return text() != m_fullText; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateShownText();

    QString m_fullText;
};
