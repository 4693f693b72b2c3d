#pragma once

#include <QDialog>

class QLabel;

namespace fw {

// "Attaching to Imager": says which imager the attach loop is checking, with the busy cursor,
// while the loop waits for it.
class TAttachingForm : public QDialog {
    Q_OBJECT
public:
    explicit TAttachingForm(QWidget* parent = nullptr);

    void Begin(const QString& text);
    void End();
    QString Text() const;

private:
    QLabel* message_ = nullptr;
    bool busy_cursor_ = false;
};

} // namespace fw
