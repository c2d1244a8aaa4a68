#pragma once

#include <QWidget>

class QGraphicsOpacityEffect;
class ElidedLabel;
class QLabel;
class QParallelAnimationGroup;

// The short notice at the top of the file area that reports a rename, an undo or a save:
// a green check and a message on a raised card; an orange warning sign instead when part
// of the work failed. It slides in from the top edge while
// fading in, and leaves the same way.
class SuccessOverlay : public QWidget {
    Q_OBJECT

public:
    // How far below the top edge of its parent the card rests.
    static constexpr int restingOffset = 50;

    explicit SuccessOverlay(QWidget *parent);

    QString message() const;
    void setMessage(const QString &message);
    // Whether the notice reports work that was done in full (the check) or only in part.
    bool isComplete() const { return m_complete; }
    void setComplete(bool complete);
    // Whether the card is shown (or on its way in); false once it has started to leave.
    bool isShown() const { return m_shown; }
    void present();
    void dismiss();
    // Keeps the card centred when the parent is resized.
    void reposition();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void animate(bool in);
    void updateIcon();
    // Sizes the card to its message, no wider than its parent leaves room for.
    void fit();

    QLabel *m_icon;
    ElidedLabel *m_text;
    QGraphicsOpacityEffect *m_opacity;
    QParallelAnimationGroup *m_animation = nullptr;
    bool m_shown = false;
    bool m_complete = true;
};
