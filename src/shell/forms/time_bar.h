#pragma once

#include <QSlider>

namespace fw {

// The master time bar: a horizontal slider that also shows the play loop as a band.
class TimeBarSlider : public QSlider {
    Q_OBJECT
public:
    explicit TimeBarSlider(QWidget* parent = nullptr);

    // An empty selection (end not after start) shows no band.
    void setSelection(int start, int end);
    int selectionStart() const { return sel_start_; }
    int selectionEnd() const { return sel_end_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int sel_start_ = 0;
    int sel_end_ = 0;
};

} // namespace fw
