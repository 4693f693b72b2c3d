#pragma once

#include <QWidget>

class QToolButton;

namespace fw {

// An up and a down arrow beside a number field; each click steps the field once.
class SpinButtons : public QWidget {
    Q_OBJECT
public:
    explicit SpinButtons(QWidget* parent = nullptr);

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

signals:
    // +1 for up, -1 for down.
    void stepped(int direction);

private:
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace fw
