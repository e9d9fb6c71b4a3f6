#pragma once

#include <QObject>

class MainWindow;
class QAction;

// Carries the search menu's slot for the main window.
class MainSlots : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainSlots)

public:
    explicit MainSlots(MainWindow *window);

public slots:
    // An entry without a category number does nothing.
    void slot_menuSearch(QAction *action);

private:
    MainWindow *window = nullptr;
};
