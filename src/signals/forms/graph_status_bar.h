#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace fw {

// The graph window's status bar: five raised panels that act as buttons when released over
// them, then the "X" and "Y" read-outs sharing the width that is left.
class TGraphStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TGraphStatusBar(QWidget* parent = nullptr);

    QPushButton* Panel(const QString& caption) const;
    void SetReadouts(const QString& x, const QString& y);
    QString XText() const;
    QString YText() const;

signals:
    void controlsClicked();
    void printClicked();
    void signalsClicked();
    void minClicked();
    void maxClicked();

private:
    QPushButton* AddPanel(const QString& caption, const QString& hint);

    QLabel* x_panel_ = nullptr;
    QLabel* y_panel_ = nullptr;
};

} // namespace fw
