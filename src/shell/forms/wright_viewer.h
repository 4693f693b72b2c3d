#pragma once

#include <QMainWindow>

namespace fw {

// The program's main window: commands, open queue and the master clock over every child.
class TWrightViewer : public QMainWindow {
    Q_OBJECT
public:
    explicit TWrightViewer(QWidget* parent = nullptr);
    ~TWrightViewer() override;
};

} // namespace fw
