#pragma once

#include <optional>

#include <QDialog>

class QLineEdit;

namespace fw {

class TImagerList;

// Asks for the name of a new or renamed imager. It stays open on an empty name and on a name
// the list has already, ignoring case (with the error the list gives).
class TImagerNameForm : public QDialog {
    Q_OBJECT
public:
    TImagerNameForm(const TImagerList& list, const QString& caption, QWidget* parent = nullptr);

    // The name the user confirmed, or none when cancelled.
    static std::optional<QString> Ask(const TImagerList& list, const QString& caption, QWidget* parent);

    QString Name() const;
    void accept() override;

private:
    const TImagerList& list_;
    QLineEdit* name_edit_ = nullptr;
};

} // namespace fw
