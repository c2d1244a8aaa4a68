#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The top of a sheet: a title over a subtitle on the left, "Done" on the right, on the
// control background.
class SheetHeader : public QWidget {
    Q_OBJECT

public:
    SheetHeader(const QString &title, QWidget *parent = nullptr);

    void setSubtitle(const QString &subtitle);
    QString subtitle() const;
    QPushButton *doneButton() const { return m_done; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_subtitle;
    QPushButton *m_done;
};
