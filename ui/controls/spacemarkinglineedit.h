#pragma once

#include <QLineEdit>
#include <QList>
#include <QRectF>

// A text field that shows white space at the start and the end of its text, which would
// otherwise look like nothing at all: a field holding one space would pass for an empty
// one. Each such character gets a small open box under it; spaces between words are left as
// they are.
class SpaceMarkingLineEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit SpaceMarkingLineEdit(QWidget *parent = nullptr);

    // Where the marked characters are, in the field's coordinates.
    QList<QRectF> markedCells() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
