#pragma once

#include <QDialog>

class QComboBox;
class QPlainTextEdit;

namespace fw {

class THGCommLayer;

// "Advanced Imager Communications": sends a command text to one imager as it is typed and lists
// each reply with the name of its result.
class TAdvancedForm : public QDialog {
    Q_OBJECT
public:
    explicit TAdvancedForm(QWidget* parent = nullptr);

    // The imager the window talks to; none leaves "Send" doing nothing.
    void SetLink(THGCommLayer* link) { link_ = link; }
    // "Send": the text goes to the top of the list and to the imager.
    void Send();
    // "Clear Buffer".
    void ClearResponses();

private:
    THGCommLayer* link_ = nullptr;
    QComboBox* command_box_ = nullptr;
    QPlainTextEdit* responses_ = nullptr;
};

} // namespace fw
