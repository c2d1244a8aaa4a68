#pragma once

#include <QStringList>
#include <QWidget>

// A row of mutually exclusive options drawn as one rounded control, the chosen one raised.
class SegmentedControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QStringList titles READ titles CONSTANT)
    Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)

public:
    explicit SegmentedControl(const QStringList &titles, QWidget *parent = nullptr);

    QStringList titles() const { return m_titles; }
    int currentIndex() const { return m_current; }
    // Changes the choice without reporting it as the user's.
    void setCurrentIndex(int index);
    // The rectangle of one option, for clicks in tests.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user chose an option; only sent when the choice changes.
    void activated(int index);
    // The choice changed, by the user or through setCurrentIndex().
    void currentIndexChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Chooses as the user does, for assistive tools.
    friend class SegmentAccessible;

    void choose(int index);

    QStringList m_titles;
    int m_current = 0;
};
